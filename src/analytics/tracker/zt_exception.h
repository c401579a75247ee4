#pragma once

#include <stdexcept>
#include <string>

namespace zelto {
namespace analytics {

// Raised by every validation of the tracker layer; the wrapper catches it.
class ZtException : public std::exception {
 public:
  ZtException(std::string message, std::string file, std::string function, int line)
      : message_(std::move(message)), file_(std::move(file)), function_(std::move(function)), line_(line) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }
  const std::string& file() const { return file_; }
  const std::string& function() const { return function_; }
  int line() const { return line_; }
  int code() const { return code_; }
  int subCode() const { return subCode_; }

 private:
  std::string message_;
  std::string file_;      // the raising class: AnalyticsTrackerImpl, ZtContextProperties, NativeUserTracker
  std::string function_;  // the raising operation, for example "trackTask"
  int line_;
  int code_ = -1;
  int subCode_ = -1;
};

}  // namespace analytics
}  // namespace zelto

#define ZT_RAISE(file, function, message) throw ::zelto::analytics::ZtException((message), (file), (function), __LINE__)
