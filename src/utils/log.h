#pragma once
// Diagnostic log: every record goes to the debug-output channel, where a
// debugger or a debug-output viewer attached to the process can read it.

#include <string>

namespace Utils {

// Formats with the secure wide formatter of the C runtime (Microsoft
// semantics: %s takes a wide string) and hands the text to
// OutputDebugStringW. Never throws; a record that cannot be built is dropped.
void DebugLog(const wchar_t* format, ...);

namespace detail {

// What DebugLog hands to the debug-output channel for these arguments.
std::wstring FormatRecord(const wchar_t* format, ...);

// "void Foo::Bar(int)" -> L"Foo::Bar"
std::wstring QualifiedFunctionName(const char* prettyFunction);

struct LogStamp {
  int pid, tid, year, month, day, hour, minute, second, millisecond;
  LogStamp();
};

}  // namespace detail
}  // namespace Utils

#define UTILS_LOG_HEADER L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: "

// DEBUG_LOG(L"error:%d:%s", code, text) writes the message as given;
// DEBUG_LOG_LINE adds CR LF. The message must be a literal: data only ever
// travels as an argument, never as part of the format.
#define DEBUG_LOG(msg, ...)                                                                                 \
  do {                                                                                                      \
    const ::Utils::detail::LogStamp utilsLogStamp_;                                                         \
    const std::wstring utilsLogFn_ = ::Utils::detail::QualifiedFunctionName(__PRETTY_FUNCTION__);           \
    ::Utils::DebugLog(UTILS_LOG_HEADER msg, utilsLogStamp_.pid, utilsLogStamp_.tid, utilsLogStamp_.year,    \
                      utilsLogStamp_.month, utilsLogStamp_.day, utilsLogStamp_.hour, utilsLogStamp_.minute, \
                      utilsLogStamp_.second, utilsLogStamp_.millisecond, utilsLogFn_.c_str(),               \
                      static_cast<int>(__LINE__) __VA_OPT__(, ) __VA_ARGS__);                               \
  } while (0)

#define DEBUG_LOG_LINE(msg, ...) DEBUG_LOG(msg L"\r\n" __VA_OPT__(, ) __VA_ARGS__)
