#include "utils/log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>

namespace Utils {

namespace {

// Measures, allocates and formats; an empty result when any step fails.
bool FormatV(std::unique_ptr<wchar_t[]>& buffer, const wchar_t* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = _vscwprintf(format, measure);
  va_end(measure);
  if (length < 0) return false;
  const size_t size = static_cast<size_t>(length) + 2;
  buffer.reset(new (std::nothrow) wchar_t[size]);
  if (!buffer) return false;
  buffer[0] = L'\0';
  _vsnwprintf_s(buffer.get(), size, _TRUNCATE, format, args);
  return true;
}

}  // namespace

void DebugLog(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::unique_ptr<wchar_t[]> buffer;
  if (FormatV(buffer, format, args)) ::OutputDebugStringW(buffer.get());
  va_end(args);
}

namespace detail {

std::wstring FormatRecord(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::unique_ptr<wchar_t[]> buffer;
  std::wstring text;
  if (FormatV(buffer, format, args)) text = buffer.get();
  va_end(args);
  return text;
}

LogStamp::LogStamp() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  pid = static_cast<int>(::GetCurrentProcessId());
  tid = static_cast<int>(::GetCurrentThreadId());
  year = t.wYear;
  month = t.wMonth;
  day = t.wDay;
  hour = t.wHour;
  minute = t.wMinute;
  second = t.wSecond;
  millisecond = t.wMilliseconds;
}

std::wstring QualifiedFunctionName(const char* pretty) {
  std::string s(pretty ? pretty : "");
  // "void f(T) [with T = int]": drop the template note.
  if (const size_t with = s.find(" [with "); with != std::string::npos) s.erase(with);
  // Inside a lambda the enclosing function is the useful name.
  if (const size_t lambda = s.find("::<lambda"); lambda != std::string::npos) s.erase(lambda);
  // Drop the parameter list and anything after it (const, noexcept).
  size_t end = s.size();
  const size_t close = s.rfind(')');
  if (close != std::string::npos) {
    int depth = 0;
    for (size_t i = close + 1; i-- > 0;) {
      if (s[i] == ')') ++depth;
      if (s[i] == '(' && --depth == 0) {
        end = i;
        break;
      }
    }
  }
  // The name starts after the last blank outside brackets (the return type).
  size_t begin = 0;
  int depth = 0;
  for (size_t i = end; i-- > 0;) {
    const char c = s[i];
    if (c == ')' || c == '>') ++depth;
    if (c == '(' || c == '<') --depth;
    if (c == ' ' && depth == 0) {
      begin = i + 1;
      break;
    }
  }
  std::wstring name;
  for (size_t i = begin; i < end; ++i) name.push_back(static_cast<unsigned char>(s[i]));
  return name;
}

}  // namespace detail
}  // namespace Utils
