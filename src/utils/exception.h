#pragma once

#include <exception>
#include <string>

namespace Utils {

// Thrown only by pipe and child-process creation (and by refusing a command
// line that does not fit the process runner's buffer).
class Exception : public std::exception {
 public:
  Exception() = default;
  explicit Exception(const std::wstring& message);
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;  // ANSI code page
};

}  // namespace Utils
