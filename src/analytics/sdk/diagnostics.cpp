#include "analytics/sdk/diagnostics.h"

#include <cstdio>
#include <mutex>

namespace collect {

void WriteDiagnostic(const std::string& line) {
  // Records are built on several threads; keep each line whole.
  static std::mutex lock;
  const std::lock_guard<std::mutex> guard(lock);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace collect
