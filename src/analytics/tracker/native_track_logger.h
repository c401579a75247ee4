#pragma once

#include <mutex>
#include <string>

#include "analytics/tracker/analytics_tracker.h"
#include "utils/handle.h"

namespace zelto {
namespace analytics {

// The log file, created empty when missing and held open while the tracker
// lives.
class NativeTrackLogger : public TrackLogger {
 public:
  explicit NativeTrackLogger(const std::string& path);
  bool isOpen() const override { return static_cast<bool>(file_); }
  bool log(const std::string& line) override;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  Utils::UniqueFileHandle file_;
  std::mutex lock_;
};

}  // namespace analytics
}  // namespace zelto
