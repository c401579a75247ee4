#include "analytics/tracker/native_track_logger.h"

#include <windows.h>

namespace zelto {
namespace analytics {

NativeTrackLogger::NativeTrackLogger(const std::string& path)
    : path_(path),
      file_(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

bool NativeTrackLogger::log(const std::string& line) {
  const std::lock_guard<std::mutex> guard(lock_);
  if (!file_) return false;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  return ::WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

}  // namespace analytics
}  // namespace zelto
