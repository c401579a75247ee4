// CBindCallback, CWinDownloader against the local package server, and the
// choice of downloader by type.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "download/bind_callback.h"
#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"
#include "download_test_support.h"

using namespace dltest;

namespace {

constexpr DWORD kRunTimeoutMs = 90000;
const wchar_t kService[] = L"URLDownloadToFile";

std::string Opts(const std::string& id, int64_t size, const std::string& extra = "") {
  return "id=win_" + id + ",size=" + std::to_string(size) + ",seed=" + std::to_string(size % 83 + 7) +
         (extra.empty() ? "" : "," + extra);
}

std::string BodyOf(int64_t size) { return Body(size, size % 83 + 7); }

double AsValue(HRESULT hr) { return static_cast<double>(static_cast<int32_t>(hr)); }

// ---- CBindCallback -------------------------------------------------------------

struct ProgressCase {
  ULONG progress;
  ULONG maximum;
  bool aborted;
  HRESULT result;
  std::vector<double> reported;
};

class BindCallbackProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(BindCallbackProgress, ReportsTheFraction) {
  const ProgressCase& c = GetParam();
  EventLog log;
  CBindCallback callback;
  callback.SetCallback(log.Callback());
  if (c.aborted) callback.Abort();
  EXPECT_EQ(callback.OnProgress(c.progress, c.maximum, BINDSTATUS_DOWNLOADINGDATA, L"x"), c.result);
  const std::vector<Event> events = log.Events();
  ASSERT_EQ(events.size(), c.reported.size());
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].code, InstallEventCode::DL_CODE_PROGRESS);
    EXPECT_EQ(events[i].value, c.reported[i]);
    EXPECT_EQ(events[i].text, L"");
  }
}

INSTANTIATE_TEST_SUITE_P(Values, BindCallbackProgress,
                         ::testing::Values(ProgressCase{5, 10, false, S_OK, {0.5}}, ProgressCase{0, 0, false, S_OK, {}},
                                           ProgressCase{7, 0, false, S_OK, {}},
                                           ProgressCase{4000000000u, 4000000000u, false, S_OK, {1.0}},
                                           ProgressCase{5, 10, true, E_ABORT, {}}));

TEST(BindCallback, AnswersForItsInterfacesOnly) {
  CBindCallback callback;
  const IID* mine[] = {&IID_IUnknown, &IID_IBindStatusCallback, &IID_IBindStatusCallbackEx, &IID_IHttpNegotiate};
  for (const IID* iid : mine) {
    void* object = nullptr;
    EXPECT_EQ(callback.QueryInterface(*iid, &object), S_OK);
    EXPECT_NE(object, nullptr);
  }
  const IID* others[] = {&IID_IServiceProvider, &IID_IHttpSecurity, &IID_IWindowForBindingUI};
  for (const IID* iid : others) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(callback.QueryInterface(*iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(callback.AddRef(), 0u);
  EXPECT_EQ(callback.Release(), 0u);
}

TEST(BindCallback, AsksForUtf8) {
  CBindCallback callback;
  BINDINFO info = {};
  info.cbSize = sizeof(info);
  DWORD flags = 0;
  EXPECT_EQ(callback.GetBindInfo(&flags, &info), E_NOTIMPL);
  EXPECT_EQ(info.dwCodePage, 65001u);
  EXPECT_EQ(callback.GetBindInfo(&flags, nullptr), E_NOTIMPL);
}

struct AnswerCase {
  const char* name;
  DWORD status;  // 0: no HTTP answer seen
  const wchar_t* headers;
  int64_t fileSize;
  HRESULT result;
};

class BindCallbackAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(BindCallbackAnswer, TellsAPackageFromAnErrorOrACutBody) {
  const AnswerCase& c = GetParam();
  TempDir dir;
  const std::wstring file = dir.File(L"package.exe");
  ASSERT_TRUE(WriteFileBytes(file, std::string(static_cast<size_t>(c.fileSize), 'p')));
  CBindCallback callback;
  callback.BeginAttempt();
  if (c.status) {
    LPWSTR extra = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(callback.OnResponse(c.status, c.headers, L"", &extra), S_OK);
    EXPECT_EQ(extra, nullptr);
  }
  EXPECT_EQ(callback.CheckAnswer(file), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BindCallbackAnswer,
    ::testing::Values(
        AnswerCase{"no_http", 0, L"", 10, S_OK},
        AnswerCase{"ok_with_length", 200, L"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", 10, S_OK},
        AnswerCase{"ok_without_length", 200, L"HTTP/1.1 200 OK\r\n\r\n", 10, S_OK},
        AnswerCase{"cut_short", 200, L"HTTP/1.1 200 OK\r\ncontent-length:  10\r\n\r\n", 9, INET_E_DOWNLOAD_FAILURE},
        AnswerCase{"too_long", 200, L"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", 11, INET_E_DOWNLOAD_FAILURE},
        AnswerCase{"decoded_body", 200, L"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 10\r\n\r\n", 30,
                   S_OK},
        AnswerCase{"not_found", 404, L"HTTP/1.1 404 Not Found\r\nContent-Length: 10\r\n\r\n", 10,
                   static_cast<HRESULT>(0x80190194)},
        AnswerCase{"server_error", 500, L"HTTP/1.1 500 Oops\r\n\r\n", 10, static_cast<HRESULT>(0x801901F4)}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

// ---- downloader choice ---------------------------------------------------------

enum class Kind { Curl, Win, Segmented };

class DownloaderChoice : public ::testing::TestWithParam<std::pair<int32_t, Kind>> {};

TEST_P(DownloaderChoice, ByType) {
  TempDir dir;
  std::unique_ptr<CDownloader> downloader =
      CreateDownloader(GetParam().first, nullptr, L"http://127.0.0.1:1/", dir.File(L"p.exe"));
  ASSERT_NE(downloader, nullptr);
  switch (GetParam().second) {
    case Kind::Curl:
      EXPECT_NE(dynamic_cast<CCurlDownloader*>(downloader.get()), nullptr);
      break;
    case Kind::Win:
      EXPECT_NE(dynamic_cast<CWinDownloader*>(downloader.get()), nullptr);
      break;
    case Kind::Segmented:
      EXPECT_NE(dynamic_cast<CMTCurlDownloader*>(downloader.get()), nullptr);
      break;
  }
  // Destroyed through the base without ever starting: nothing hangs.
}

INSTANTIATE_TEST_SUITE_P(Types, DownloaderChoice,
                         ::testing::Values(std::make_pair(0, Kind::Curl), std::make_pair(1, Kind::Curl),
                                           std::make_pair(4, Kind::Curl), std::make_pair(-5, Kind::Curl),
                                           std::make_pair(2, Kind::Win), std::make_pair(3, Kind::Segmented)));

// ---- CWinDownloader ------------------------------------------------------------

struct WinCase {
  const char* name;
  int64_t size;
  std::string extra;
  std::string tail;  // path after /dl/<opts>/
  std::string codes;
  double endValue;
  int gets;
  double minPauseMs;
};

class WinDownloaderCases : public ::testing::TestWithParam<WinCase> {};

TEST_P(WinDownloaderCases, EventsRequestsAndPackage) {
  const WinCase& c = GetParam();
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  const ULONGLONG begin = ::GetTickCount64();
  {
    CWinDownloader downloader(log.Callback(), WUrl(Opts(c.name, c.size, c.extra), c.tail), save);
    downloader.Start();
    ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  }
  const std::vector<Event> events = log.Events();
  EXPECT_EQ(Codes(events), c.codes) << Describe(events);
  EXPECT_EQ(events.front().value, 1.0);
  EXPECT_EQ(events.front().text, L"");
  EXPECT_EQ(ProgressFault(events), "");
  EXPECT_EQ(events.back().value, c.endValue);
  EXPECT_EQ(events.back().text, kService);

  const std::vector<Request> gets = Gets(ServerLog("win_" + std::string(c.name)));
  EXPECT_EQ(static_cast<int>(gets.size()), c.gets);
  for (size_t i = 1; i < gets.size() && c.minPauseMs > 0; ++i) EXPECT_GE(gets[i].ms - gets[i - 1].ms, c.minPauseMs);

  if (events.back().code == InstallEventCode::DOWNLOAD_SUCCESS) {
    EXPECT_GE(ProgressCount(events), 1u);
    std::string data;
    ASSERT_TRUE(ReadFileBytes(save, data));
    EXPECT_EQ(Difference(data, BodyOf(c.size)), "");
  } else {
    // Three attempts, each followed by a one-second pause.
    EXPECT_GE(::GetTickCount64() - begin, 2900u);
    EXPECT_FALSE(Exists(save)) << "an error page or a cut body is not left as the package";
  }
}

const double kHttp404 = AsValue(static_cast<HRESULT>(0x80190194));
const double kHttp500 = AsValue(static_cast<HRESULT>(0x801901F4));

INSTANTIATE_TEST_SUITE_P(
    Server, WinDownloaderCases,
    ::testing::Values(WinCase{"through_redirects", 300000, "", "software/206", "1001 1003", 0.0, 1, 0},
                      WinCase{"server_error", 300000, "then=s500", "software/206", "1001 1004", kHttp500, 3, 950},
                      WinCase{"not_found", 300000, "then=s404", "pkg/x.exe", "1001 1004", kHttp404, 3, 950},
                      // The service calls a cut body a success; it is not the package.
                      WinCase{"cut_once", 300000, "get=drop1000", "pkg/x.exe", "1001 1003", 0.0, 2, 950},
                      WinCase{"cut_always", 300000, "then=drop1000", "pkg/x.exe", "1001 1004",
                              AsValue(INET_E_DOWNLOAD_FAILURE), 3, 950},
                      // A stall is stopped after five seconds without a sign of life.
                      WinCase{"stalled_once", 300000, "get=stall1000", "pkg/x.exe", "1001 1003", 0.0, 2, 4900}),
    [](const ::testing::TestParamInfo<WinCase>& info) { return std::string(info.param.name); });

TEST(WinDownloader, RefusedConnectionFailsThreeTimes) {
  TempDir dir;
  EventLog log;
  const ULONGLONG begin = ::GetTickCount64();
  CWinDownloader downloader(log.Callback(), L"http://127.0.0.1:1/software/206", dir.File(L"package.exe"));
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  EXPECT_GE(::GetTickCount64() - begin, 2900u);
  const std::vector<Event> events = log.Events();
  ASSERT_EQ(Codes(events), "1001 1004");
  EXPECT_LT(events.back().value, 0.0) << "the service's failure code";
  EXPECT_EQ(events.back().text, kService);
}

TEST(WinDownloader, SendsUrlEncoded) {
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  CWinDownloader downloader(log.Callback(), Narrow2Wide(Url(Opts("encoded", 200000), "pkg/my pkg \xC3\xBC.exe")), save);
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  EXPECT_EQ(Codes(log.Events()), "1001 1003");
  const std::vector<Request> gets = Gets(ServerLog("win_encoded"));
  ASSERT_EQ(gets.size(), 1u);
  const std::string path = gets[0].path;
  EXPECT_EQ(path.substr(path.rfind('/')), "/my+pkg+%C3%BC.exe");
}

TEST(WinDownloader, FileUrlIsPassedUnchanged) {
  TempDir dir;
  const std::wstring source = dir.File(L"source package \u00fc.bin");
  const std::string body = BodyOf(150000);
  ASSERT_TRUE(WriteFileBytes(source, body));
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  CWinDownloader downloader(log.Callback(), FileUrl(source), save);
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  EXPECT_EQ(Codes(log.Events()), "1001 1003") << Describe(log.Events());
  std::string data;
  ASSERT_TRUE(ReadFileBytes(save, data));
  EXPECT_EQ(Difference(data, body), "");
}

TEST(WinDownloader, EmptySavePath) {
  EventLog log;
  CWinDownloader downloader(log.Callback(), WUrl(Opts("empty_path", 200000)), L"");
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  const std::vector<Event> events = log.Events();
  ASSERT_EQ(Codes(events), "1001 1004");
  EXPECT_EQ(events.back().value, 1.0);
  EXPECT_EQ(events.back().text, L"");
}

TEST(WinDownloader, RunsOncePerDownloader) {
  TempDir dir;
  EventLog log;
  CWinDownloader downloader(log.Callback(), WUrl(Opts("runs_once", 200000)), dir.File(L"package.exe"));
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  const size_t count = log.Count();
  downloader.Start();
  ::Sleep(1000);
  EXPECT_EQ(log.Count(), count);
  EXPECT_EQ(Gets(ServerLog("win_runs_once")).size(), 1u);
}

// ---- destruction while the service runs ---------------------------------------------

class WinDownloaderStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(WinDownloaderStop, StopsWaitsAndReportsNothingMore) {
  const StopCase& c = GetParam();
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  {
    // The service keeps threads of its own once used; count ours after that.
    EventLog warm;
    CWinDownloader warmUp(warm.Callback(), WUrl(Opts(std::string("warm_") + c.name, 1000)), dir.File(L"warm.exe"));
    warmUp.Start();
    ASSERT_TRUE(warm.WaitForRunEnds(1, kRunTimeoutMs));
  }
  EventLog log;
  ExpectStopsAtOnce(
      [&] { return std::make_unique<CWinDownloader>(log.Callback(), WUrl(Opts(c.name, 4000000, c.extra)), save); }, log,
      c);
}

INSTANTIATE_TEST_SUITE_P(Server, WinDownloaderStop,
                         ::testing::Values(StopCase{"stop_during_transfer", "rate=262144",
                                                    InstallEventCode::DL_CODE_PROGRESS, 300},
                                           StopCase{"stop_during_stall", "then=stall1000", 0, 1500},
                                           StopCase{"stop_during_pause", "then=s500", 0, 500}),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
