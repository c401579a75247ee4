#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "utils/log.h"
#include "utils/text.h"

namespace {

TEST(LogRecord, HeaderHasTheFixedShape) {
  EXPECT_EQ(Utils::detail::FormatRecord(UTILS_LOG_HEADER L"start download\r\n", 1234, 7, 2021, 3, 4, 5, 6, 7, 89,
                                        L"CMTCurlDownloader::Start_Down", 72),
            L"<P01234><T00007><2021-03-04 05:06:07.089>(CMTCurlDownloader::Start_Down)<0072>: start download\r\n");
  // Ids beyond five digits take what they need.
  EXPECT_EQ(
      Utils::detail::FormatRecord(UTILS_LOG_HEADER L"x", 1234567, 100000, 2021, 12, 31, 23, 59, 59, 999, L"F", 12345),
      L"<P1234567><T100000><2021-12-31 23:59:59.999>(F)<12345>: x");
}

TEST(LogRecord, HeaderLiteralIsSixtyTwoCharacters) { EXPECT_EQ(std::wstring(UTILS_LOG_HEADER).size(), 62u); }

TEST(LogRecord, WideAndNarrowArgumentsFormatAsTheCallSitesUseThem) {
  EXPECT_EQ(Utils::detail::FormatRecord(L"error:%d:%s", 28, L"Timeout was reached"), L"error:28:Timeout was reached");
  EXPECT_EQ(Utils::detail::FormatRecord(L"Download File Length %lld", 3221225472LL),
            L"Download File Length 3221225472");
  EXPECT_EQ(Utils::detail::FormatRecord(L"code=%ld\r\n", 5L), L"code=5\r\n");
}

// Data is passed as an argument, so format characters in it come out as they are.
TEST(LogRecord, PercentInDataComesOutUnchanged) {
  const std::wstring path = L"C:\\100%\\%s%d\\pkg.exe_0";
  EXPECT_EQ(Utils::detail::FormatRecord(L"partPath::%s\r\n", path.c_str()), L"partPath::" + path + L"\r\n");
}

TEST(LogRecord, FunctionNameIsTheQualifiedName) {
  const std::pair<const char*, const wchar_t*> cases[] = {
      {"void CMTCurlDownloader::Start_Down()", L"CMTCurlDownloader::Start_Down"},
      {"static DWORD Utils::Thread::CallBack(LPVOID)", L"Utils::Thread::CallBack"},
      {"int CurlClient::Start()", L"CurlClient::Start"},
      {"bool Utils::HardDiskManager::CheckFreeSpace(const std::wstring&)", L"Utils::HardDiskManager::CheckFreeSpace"},
      {"std::map<int, std::basic_string<wchar_t> > A::B::f(int) const", L"A::B::f"},
      {"void {anonymous}::Helper(int (*)(int))", L"{anonymous}::Helper"},
      {"void f(T) [with T = int]", L"f"},
      {"CDownloadInstaller::Start()::<lambda(int32_t, double, const std::wstring&)>", L"CDownloadInstaller::Start"},
      {"int main()", L"main"},
  };
  for (const auto& [pretty, name] : cases) EXPECT_EQ(Utils::detail::QualifiedFunctionName(pretty), name) << pretty;
}

TEST(LogRecord, CallFormFillsTheHeaderFromTheCallSite) {
  // The macro builds the same record a call site gets; check its pieces here
  // by formatting the header through the macro's own stamp and name.
  const Utils::detail::LogStamp stamp;
  const std::wstring record =
      Utils::detail::FormatRecord(UTILS_LOG_HEADER L"THREAD BEGIN\r\n", stamp.pid, stamp.tid, stamp.year, stamp.month,
                                  stamp.day, stamp.hour, stamp.minute, stamp.second, stamp.millisecond,
                                  Utils::detail::QualifiedFunctionName(__PRETTY_FUNCTION__).c_str(), __LINE__);
  const std::wregex shape(
      LR"(<P\d{5,}><T\d{5,}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(\{anonymous\}::LogRecord_CallFormFillsTheHeaderFromTheCallSite_Test::TestBody\)<\d{4}>: THREAD BEGIN\r\n)");
  EXPECT_TRUE(std::regex_match(record, shape)) << Utils::WideToNarrow(record, 65001);
  EXPECT_EQ(stamp.pid, static_cast<int>(::GetCurrentProcessId()));
  EXPECT_EQ(stamp.tid, static_cast<int>(::GetCurrentThreadId()));
}

}  // namespace
