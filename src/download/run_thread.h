#pragma once
// The run thread of a restartable downloader. Starting a new run waits for
// the previous one, except when the call comes from that very thread (an
// owner that restarts the download from inside its event callback): then
// the old thread object is kept and waited for at the next start or at the
// end.

#include <functional>
#include <memory>
#include <vector>

#include "utils/thread.h"

class CRunThread {
 public:
  CRunThread() = default;
  ~CRunThread() { Join(); }
  CRunThread(const CRunThread&) = delete;
  CRunThread& operator=(const CRunThread&) = delete;

  // Runs body on a new thread named "ABDEF".
  void Run(std::function<void()> body);
  // Waits for every run. Not from a run thread.
  void Join();

 private:
  std::unique_ptr<Utils::Thread> current_;
  std::vector<std::unique_ptr<Utils::Thread>> retired_;
};
