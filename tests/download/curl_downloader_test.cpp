// CurlClient and CCurlDownloader against the local package server.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "download/curl_client.h"
#include "download/curl_downloader.h"
#include "download/download_util.h"
#include "download_test_support.h"
#include "report_recorder.h"

using namespace dltest;

namespace {

constexpr DWORD kRunTimeoutMs = 90000;

std::string Opts(const std::string& id, int64_t size, const std::string& extra = "") {
  return "id=" + id + ",size=" + std::to_string(size) + ",seed=" + std::to_string(size % 97 + 3) +
         (extra.empty() ? "" : "," + extra);
}

// ---- CurlClient ----------------------------------------------------------------

struct ClientCase {
  const char* name;
  int64_t size;
  std::string extra;   // server options
  int64_t partBefore;  // the first bytes of the body already in the part file; -1: no part file
  int64_t junkBefore;  // or a part file of that many bytes of something else; -1: none
  int result;
  std::vector<std::string> ranges;  // Range headers of the body requests
  bool packageIsBody;
  int64_t partAfter;          // bytes of the body left in the part file; -1: no part file
  std::vector<long> reports;  // statuses of the size-query failure reports
};

// What the size-query failure report says for each status given.
void ExpectSizeReports(const std::vector<long>& statuses) {
  const std::vector<RecordedTask> tasks = TakeRecordedTasks();
  ASSERT_EQ(tasks.size(), statuses.size());
  for (size_t i = 0; i < tasks.size(); ++i) {
    EXPECT_EQ(tasks[i].name, L"下载失败原因");
    EXPECT_EQ(tasks[i].elapsed, 0.0f);
    EXPECT_EQ(tasks[i].reason, L"1.获取文件大小的状态码为=" + std::to_wstring(statuses[i]) + L"；");
    EXPECT_EQ(tasks[i].extra, (ReportProperties{{L"AB", L"IN"}}));
  }
}

class CurlClientCases : public ::testing::TestWithParam<ClientCase> {};

TEST_P(CurlClientCases, ResultRequestsAndFiles) {
  const ClientCase& c = GetParam();
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  const std::string body = Body(c.size, c.size % 97 + 3);
  if (c.partBefore >= 0) {
    ASSERT_TRUE(WriteFileBytes(save + L".part", body.substr(0, c.partBefore)));
  }
  if (c.junkBefore >= 0) {
    ASSERT_TRUE(WriteFileBytes(save + L".part", std::string(c.junkBefore, 'j')));
  }

  const std::string id = std::string("client_") + c.name;
  const std::string opts = Opts(id, c.size, c.extra);
  TakeRecordedTasks();
  {
    CurlClient client(WUrl(opts), save, nullptr, nullptr);
    EXPECT_EQ(client.Start(), c.result);
    ExpectSizeReports(c.reports);
    EXPECT_EQ(GetRanges(ServerLog(id)), c.ranges);

    std::string data;
    if (c.packageIsBody) {
      ASSERT_TRUE(ReadFileBytes(save, data));
      EXPECT_EQ(Difference(data, body), "");
    } else {
      EXPECT_FALSE(Exists(save));
    }
    if (c.partAfter >= 0) {
      ASSERT_TRUE(ReadFileBytes(save + L".part", data));
      EXPECT_EQ(Difference(data, body.substr(0, c.partAfter)), "");
    } else {
      EXPECT_FALSE(Exists(save + L".part"));
    }
  }
  EXPECT_FALSE(Exists(save + L".part")) << "the client deletes its part file";
}

const int64_t kMiB = 1048576;

INSTANTIATE_TEST_SUITE_P(
    Server, CurlClientCases,
    ::testing::Values(
        ClientCase{"exactly_1MiB", kMiB, "", -1, -1, 0, {"-"}, true, -1, {}},
        ClientCase{"one_byte_below_1MiB", kMiB - 1, "", -1, -1, CurlClient::kTooShort, {}, false, -1, {}},
        ClientCase{"no_length_probed", 2 * kMiB, "nolen=1", -1, -1, CurlClient::kTooShort, {}, false, -1, {}},
        // The first probe wants 200 to 399, the second lets 400 through.
        ClientCase{"probe_400_passes_second_check", 2 * kMiB, "head=400", -1, -1, 0, {"-"}, true, -1, {400}},
        // The length is taken from the second probe whatever its status; only
        // the failure reports differ.
        ClientCase{"probe_401_reported_by_both", 2 * kMiB, "head=401", -1, -1, 0, {"-"}, true, -1, {401, 401}},
        ClientCase{"resumes_after_300_bytes", 2 * kMiB, "", 300, -1, 0, {"bytes=300-"}, true, -1, {}},
        ClientCase{"complete_part_needs_no_request", 2 * kMiB, "", 2 * kMiB, -1, 0, {}, true, -1, {}},
        ClientCase{"part_longer_than_package_restarts", 2 * kMiB, "", -1, 2 * kMiB + 10, 0, {"-"}, true, -1, {}},
        // A server that does not answer the asked range never gets its bytes
        // appended to the part file.
        ClientCase{"resume_answered_with_whole_body",
                   2 * kMiB,
                   "then=full",
                   300,
                   -1,
                   CURLE_RANGE_ERROR,
                   {"bytes=300-"},
                   false,
                   300,
                   {}},
        ClientCase{"resume_answered_with_other_range",
                   2 * kMiB,
                   "then=shift100",
                   300,
                   -1,
                   CURLE_RANGE_ERROR,
                   {"bytes=300-"},
                   false,
                   300,
                   {}},
        ClientCase{"server_error", 2 * kMiB, "then=s500", -1, -1, CURLE_HTTP_RETURNED_ERROR, {"-"}, false, 0, {}},
        ClientCase{
            "connection_dropped", 2 * kMiB, "then=drop70000", -1, -1, CURLE_PARTIAL_FILE, {"-"}, false, 70000, {}},
        // A body without a length that ends early looks complete to curl; it
        // is shorter than the probed length, so it stays for a resume.
        ClientCase{
            "body_cut_without_length", 2 * kMiB, "then=cut70000", -1, -1, CURLE_PARTIAL_FILE, {"-"}, false, 70000, {}},
        // More bytes than the package has (no length announced): not the package.
        ClientCase{
            "body_longer_than_probed", 2 * kMiB, "then=over5000", -1, -1, CURLE_PARTIAL_FILE, {"-"}, false, -1, {}}),
    [](const ::testing::TestParamInfo<ClientCase>& info) { return std::string(info.param.name); });

TEST(CurlClient, PartFileThatCannotBeOpened) {
  TempDir dir;
  CurlClient client(WUrl(Opts("part_cannot_open", 2 * kMiB)), dir.File(L"missing\\package.exe"), nullptr, nullptr);
  EXPECT_EQ(client.Start(), CurlClient::kPartFileError);
  EXPECT_FALSE(client.ErrorText().empty());
  EXPECT_TRUE(GetRanges(ServerLog("part_cannot_open")).empty());
}

TEST(CurlClient, UnreachableHostEndsWithTooShort) {
  TempDir dir;
  TakeRecordedTasks();
  CurlClient client(L"http://127.0.0.1:1/dl/x/software/206", dir.File(L"package.exe"), nullptr, nullptr);
  EXPECT_EQ(client.Start(), CurlClient::kTooShort);
  ExpectSizeReports({0, 0});
  EXPECT_EQ(client.TotalLength(), -1);
}

TEST(CurlClient, FileUrlDownloadsThroughTheSecondProbe) {
  TempDir dir;
  const std::string body = Body(kMiB + 4321, 11);
  const std::wstring source = dir.File(L"source_package.bin");
  ASSERT_TRUE(WriteFileBytes(source, body));
  const std::wstring save = dir.File(L"package.exe");
  CurlClient client(FileUrl(source), save, nullptr, nullptr);
  TakeRecordedTasks();
  EXPECT_EQ(client.Start(), 0);
  ExpectSizeReports({0, 0});  // a file has no HTTP status: both probes report
  std::string data;
  ASSERT_TRUE(ReadFileBytes(save, data));
  EXPECT_EQ(Difference(data, body), "");
}

TEST(CurlClient, StalledTransferFailsAfterFiveSecondsAndResumes) {
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  const std::string opts = Opts("client_stall", 2 * kMiB, "get=stall200000");
  CurlClient client(WUrl(opts), save, nullptr, nullptr);
  const ULONGLONG begin = ::GetTickCount64();
  EXPECT_EQ(client.Start(), CURLE_OPERATION_TIMEDOUT);
  const ULONGLONG took = ::GetTickCount64() - begin;
  EXPECT_GE(took, 4500u);
  EXPECT_LT(took, 20000u);
  EXPECT_EQ(SizeOf(save + L".part"), 200000);

  EXPECT_EQ(client.Start(), 0);
  EXPECT_EQ(GetRanges(ServerLog("client_stall")), (std::vector<std::string>{"-", "bytes=200000-"}));
  std::string data;
  ASSERT_TRUE(ReadFileBytes(save, data));
  EXPECT_EQ(Difference(data, Body(2 * kMiB, 2 * kMiB % 97 + 3)), "");
}

void RecordPercent(void* owner, double, double, double percent) {
  static_cast<std::vector<double>*>(owner)->push_back(percent);
}

TEST(CurlClient, PercentCountsTheBytesOfTheResumedPartFile) {
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  const int64_t size = 2 * kMiB;
  ASSERT_TRUE(WriteFileBytes(save + L".part", Body(size, size % 97 + 3).substr(0, size / 2)));
  std::vector<double> percents;
  CurlClient client(WUrl(Opts("client_percent", size, "rate=262144")), save, &percents, &RecordPercent);
  EXPECT_EQ(client.Start(), 0);
  EXPECT_EQ(client.ResumeOffset(), size / 2);
  ASSERT_GE(percents.size(), 2u) << "four seconds at 256 KiB/s report progress every second";
  EXPECT_GE(percents.front(), 50.0) << "the first report already counts the half that was there";
  for (double p : percents) {
    EXPECT_GT(p, 0.0);
    EXPECT_LE(p, 100.0);
  }
}

// ---- CCurlDownloader -----------------------------------------------------------

// Runs the downloader until it ends for good (1003 or 1004), restarting it
// after every 1005 as the pipeline does.
std::vector<Event> RunToEnd(CDownloader& downloader, EventLog& log, size_t maxRuns = 3) {
  for (size_t run = 1; run <= maxRuns; ++run) {
    downloader.Start();
    if (!log.WaitForRunEnds(run, kRunTimeoutMs)) break;
    const std::vector<Event> events = log.Events();
    if (events.back().code != InstallEventCode::DL_CODE_RETRY) break;
  }
  return log.Events();
}

struct CurlRunCase {
  const char* name;
  int64_t size;
  std::string extra;
  std::vector<std::string> runs;  // the codes of each run, progress left out
  double endValue;                // value of the final event
  int gets;                       // body requests in all
  bool packageIsBody;
  double minPauseMs;  // least gap between two body requests (0: not checked)
  std::wstring notice;
};

class CurlDownloaderCases : public ::testing::TestWithParam<CurlRunCase> {};

TEST_P(CurlDownloaderCases, EventsRequestsAndPackage) {
  const CurlRunCase& c = GetParam();
  const std::string id = std::string("run_") + c.name;
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  {
    CCurlDownloader downloader(log.Callback(), WUrl(Opts(id, c.size, c.extra)), save);
    const std::vector<Event> events = RunToEnd(downloader, log);
    ASSERT_FALSE(events.empty());
    ASSERT_NE(events.back().code, InstallEventCode::DL_CODE_RETRY) << Describe(events);
    std::vector<std::string> runs;
    for (size_t i = 0; i < c.runs.size() + 1; ++i) {
      const std::vector<Event> run = RunEvents(events, i);
      if (!run.empty()) runs.push_back(Codes(run));
    }
    EXPECT_EQ(runs, c.runs) << Describe(events);
    EXPECT_EQ(ProgressFault(events), "");
    EXPECT_EQ(events.back().value, c.endValue);
    EXPECT_EQ(events.back().text, L"LibCurl");
    if (!c.notice.empty()) {
      const Event* notice = Last(events, InstallEventCode::DL_CODE_NOTICE);
      ASSERT_NE(notice, nullptr);
      EXPECT_EQ(notice->text, c.notice);
      EXPECT_EQ(notice->value, 0.0);
    }

    const std::vector<Request> gets = Gets(ServerLog(id));
    EXPECT_EQ(static_cast<int>(gets.size()), c.gets);
    if (c.minPauseMs > 0) {
      for (size_t i = 1; i < gets.size(); ++i) EXPECT_GE(gets[i].ms - gets[i - 1].ms, c.minPauseMs) << i;
    }
    // A 1003 always means the package is the server's body, byte for byte.
    EXPECT_EQ(events.back().code == InstallEventCode::DOWNLOAD_SUCCESS, c.packageIsBody);
    if (events.back().code == InstallEventCode::DOWNLOAD_SUCCESS) {
      std::string data;
      ASSERT_TRUE(ReadFileBytes(save, data));
      EXPECT_EQ(Difference(data, Body(c.size, c.size % 97 + 3)), "");
    }
  }
}

const std::wstring kNoDigest = L"curl获取url-md5失败";
const std::wstring kBadDigest = L"curl文件md5校验失败";

INSTANTIATE_TEST_SUITE_P(
    Server, CurlDownloaderCases,
    ::testing::Values(
        CurlRunCase{"clean_with_digest", 2 * kMiB, "", {"1001 1003"}, 0.0, 1, true, 0, L""},
        CurlRunCase{"no_digest_segment", 2 * kMiB, "digest=none", {"1001 1006 1003"}, 0.0, 1, true, 0, kNoDigest},
        CurlRunCase{"wrong_digest_twice",
                    2 * kMiB,
                    "digest=wrong",
                    {"1001 1006 1005", "1001 1006 1004"},
                    0.0,
                    2,
                    false,
                    0,
                    kBadDigest},
        CurlRunCase{
            "corrupted_once", 2 * kMiB, "get=flip777777", {"1001 1006 1005", "1001 1003"}, 0.0, 2, true, 0, kBadDigest},
        // 2 units per failure: 6 transfers, 500 ms apart.
        CurlRunCase{
            "server_error_budget", 2 * kMiB, "then=s500", {"1001 1004"}, CURLE_HTTP_RETURNED_ERROR, 6, false, 480, L""},
        // 1 unit per partial transfer: 12 transfers, each resuming.
        CurlRunCase{
            "partial_file_budget", 2 * kMiB, "then=drop20000", {"1001 1004"}, CURLE_PARTIAL_FILE, 12, false, 480, L""},
        CurlRunCase{"dropped_once_resumes", 2 * kMiB, "get=drop300000", {"1001 1003"}, 0.0, 2, true, 0, L""},
        CurlRunCase{"cut_without_length_once", 2 * kMiB, "get=cut300000", {"1001 1003"}, 0.0, 2, true, 0, L""},
        CurlRunCase{"too_long_once", 2 * kMiB, "get=over5000", {"1001 1003"}, 0.0, 2, true, 0, L""},
        CurlRunCase{"resume_answered_with_whole_body",
                    2 * kMiB,
                    "get=drop300000,then=full",
                    {"1001 1004"},
                    CURLE_RANGE_ERROR,
                    7,
                    false,
                    0,
                    L""},
        CurlRunCase{"resume_answered_with_other_range",
                    2 * kMiB,
                    "get=drop300000,then=shift1000",
                    {"1001 1004"},
                    CURLE_RANGE_ERROR,
                    7,
                    false,
                    0,
                    L""},
        // The probes only learn the length; the transfer itself fails on the 404.
        CurlRunCase{"probe_and_transfer_404",
                    2 * kMiB,
                    "head=404,then=s404",
                    {"1001 1004"},
                    CURLE_HTTP_RETURNED_ERROR,
                    6,
                    false,
                    0,
                    L""},
        CurlRunCase{"below_1MiB", kMiB - 1, "", {"1001 1004"}, CurlClient::kTooShort, 0, false, 0, L""},
        // A stall is a curl error like any other: 6 transfers of 5 s each.
        CurlRunCase{
            "stalled_for_ever", 2 * kMiB, "then=stall0", {"1001 1004"}, CURLE_OPERATION_TIMEDOUT, 6, false, 5000, L""}),
    [](const ::testing::TestParamInfo<CurlRunCase>& info) { return std::string(info.param.name); });

TEST(CurlDownloader, ResumedTransfersContinueWhereThePartFileEnds) {
  TempDir dir;
  EventLog log;
  CCurlDownloader downloader(log.Callback(), WUrl(Opts("resume_offsets", 2 * kMiB, "get=drop20000x3")),
                             dir.File(L"package.exe"));
  RunToEnd(downloader, log);
  EXPECT_EQ(GetRanges(ServerLog("resume_offsets")),
            (std::vector<std::string>{"-", "bytes=20000-", "bytes=40000-", "bytes=60000-"}));
}

TEST(CurlDownloader, EmptySavePath) {
  EventLog log;
  CCurlDownloader downloader(log.Callback(), WUrl(Opts("empty_path", 2 * kMiB)), L"");
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  const std::vector<Event> events = log.Events();
  ASSERT_EQ(Codes(events), "1001 1004");
  EXPECT_EQ(events[1].value, 1.0);
  EXPECT_EQ(events[1].text, L"");
  EXPECT_TRUE(ServerLog("empty_path").empty());
}

TEST(CurlDownloader, CleanDownloadSendsTheTableEvents) {
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  CCurlDownloader downloader(log.Callback(), WUrl(Opts("clean_events", 3 * kMiB, "rate=1048576")), save);
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  const std::vector<Event> events = log.Events();
  ASSERT_GE(events.size(), 4u) << Describe(events);
  EXPECT_EQ(events.front().code, InstallEventCode::DL_CODE_START);
  EXPECT_EQ(events.front().value, 1.0);
  EXPECT_EQ(events.front().text, L"");
  for (size_t i = 1; i + 1 < events.size(); ++i) EXPECT_EQ(events[i].code, InstallEventCode::DL_CODE_PROGRESS) << i;
  EXPECT_GE(ProgressCount(events), 2u);
  EXPECT_EQ(ProgressFault(events), "");
  EXPECT_EQ(events.back().code, InstallEventCode::DOWNLOAD_SUCCESS);
  EXPECT_EQ(events.back().value, 0.0);
  EXPECT_EQ(events.back().text, L"LibCurl");
  std::string data;
  ASSERT_TRUE(ReadFileBytes(save, data));
  EXPECT_EQ(Difference(data, Body(3 * kMiB, 3 * kMiB % 97 + 3)), "");
}

TEST(CurlDownloader, RestartFromInsideTheCallback) {
  TempDir dir;
  EventLog log;
  InstallEventCallback record = log.Callback();
  std::unique_ptr<CCurlDownloader> downloader;
  downloader = std::make_unique<CCurlDownloader>(
      [&](int32_t code, double value, const std::wstring& text) {
        record(code, value, text);
        if (code == InstallEventCode::DL_CODE_RETRY) downloader->Start();
      },
      WUrl(Opts("restart_inside", 2 * kMiB, "digest=wrong")), dir.File(L"package.exe"));
  downloader->Start();
  ASSERT_TRUE(log.WaitForRunEnds(2, kRunTimeoutMs));
  EXPECT_EQ(Codes(log.Events()), "1001 1006 1005 1001 1006 1004");
  downloader.reset();
}

// ---- destruction while a transfer runs -------------------------------------------

class CurlDownloaderStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(CurlDownloaderStop, StopsWaitsAndLeavesNothing) {
  const StopCase& c = GetParam();
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  ExpectStopsAtOnce(
      [&] { return std::make_unique<CCurlDownloader>(log.Callback(), WUrl(Opts(c.name, 8 * kMiB, c.extra)), save); },
      log, c);
  EXPECT_FALSE(Exists(save + L".part"));
}

INSTANTIATE_TEST_SUITE_P(Server, CurlDownloaderStop,
                         ::testing::Values(StopCase{"stop_during_transfer", "rate=524288",
                                                    InstallEventCode::DL_CODE_PROGRESS, 0},
                                           StopCase{"stop_during_stall", "then=stall100000", 0, 1500},
                                           StopCase{"stop_during_stalled_probe", "head=stall", 0, 1500},
                                           StopCase{"stop_during_retry_pause", "then=s500", 0, 1200}),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
