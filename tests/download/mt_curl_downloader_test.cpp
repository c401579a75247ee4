// CMTCurlDownloader: the split rule, and whole downloads against the local
// package server.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "config/install_config.h"
#include "download/download_util.h"
#include "download/mt_curl_downloader.h"
#include "download_test_support.h"

using namespace dltest;
using PartRange = CMTCurlDownloader::PartRange;

namespace {

constexpr DWORD kRunTimeoutMs = 90000;
constexpr int64_t kMiB = 1048576;
constexpr int64_t kGiB = 1024 * kMiB;

bool operator==(const PartRange& a, const PartRange& b) { return a.start == b.start && a.end == b.end; }

// ---- split rule ------------------------------------------------------------------

struct SplitCase {
  int64_t length;
  std::vector<PartRange> parts;
  std::vector<std::string> rangeTexts;
};

class SplitRule : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitRule, PartsAndRangeTexts) {
  const SplitCase& c = GetParam();
  const std::vector<PartRange> parts = CMTCurlDownloader::SplitParts(c.length);
  ASSERT_EQ(parts.size(), c.parts.size());
  for (size_t i = 0; i < parts.size(); ++i) {
    EXPECT_TRUE(parts[i] == c.parts[i]) << i << ": " << parts[i].start << "-" << parts[i].end;
    EXPECT_EQ(CMTCurlDownloader::RangeText(parts[i].start, parts[i].end), c.rangeTexts[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, SplitRule,
    ::testing::Values(
        SplitCase{256, {{0, 255}}, {"0-255"}}, SplitCase{20971519, {{0, 20971518}}, {"0-20971518"}},
        SplitCase{20971520, {{0, 10485759}, {10485760, 20971519}}, {"0-10485759", "10485760-20971519"}},
        SplitCase{20971521, {{0, 10485759}, {10485760, 20971520}}, {"0-10485759", "10485760-20971520"}},
        // Packages of 2 GiB and more split and address like any other.
        SplitCase{3 * kGiB, {{0, 1610612735}, {1610612736, 3221225471}}, {"0-1610612735", "1610612736-3221225471"}},
        SplitCase{3 * kGiB + 1, {{0, 1610612735}, {1610612736, 3221225472}}, {"0-1610612735", "1610612736-3221225472"}},
        SplitCase{5 * kGiB, {{0, 2684354559}, {2684354560, 5368709119}}, {"0-2684354559", "2684354560-5368709119"}}));

TEST(PartFiles, SizeBeyond2GiBIsRead) {
  // Where a kept part file of a big package lets its part resume.
  TempDir dir;
  const std::wstring path = dir.File(L"big.part");
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(file);
  DWORD ignored = 0;
  ::DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = 2 * kGiB + 512 * kMiB + 7;
  ASSERT_TRUE(::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(::SetEndOfFile(file.get()));
  file.reset();
  EXPECT_EQ(Download::FileSize(Download::AnsiPath(path)), size.QuadPart);
}

// ---- downloads ---------------------------------------------------------------------

std::string Opts(const std::string& id, int64_t size, const std::string& extra = "") {
  return "id=mt_" + id + ",size=" + std::to_string(size) + ",seed=" + std::to_string(size % 89 + 5) +
         (extra.empty() ? "" : "," + extra);
}

std::string BodyOf(int64_t size) { return Body(size, size % 89 + 5); }

std::wstring PartFile(const std::wstring& save, int index) { return save + L"_" + std::to_wstring(index); }

std::vector<Event> RunToEnd(CDownloader& downloader, EventLog& log, size_t maxRuns = 3) {
  for (size_t run = 1; run <= maxRuns; ++run) {
    downloader.Start();
    if (!log.WaitForRunEnds(run, kRunTimeoutMs)) break;
    if (log.Events().back().code != InstallEventCode::DL_CODE_RETRY) break;
  }
  return log.Events();
}

std::vector<std::string> RunCodes(const std::vector<Event>& events) {
  std::vector<std::string> runs;
  for (size_t i = 0;; ++i) {
    const std::vector<Event> run = RunEvents(events, i);
    if (run.empty()) break;
    runs.push_back(Codes(run));
  }
  return runs;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

struct MtCase {
  const char* name;
  int64_t size;
  std::string extra;
  std::vector<std::string> runs;
  double endValue;
  std::vector<std::string> ranges;  // every body request's Range, in any order; empty: not checked
  int gets;                         // -1: not checked
  std::wstring notice;
};

class MtDownloaderCases : public ::testing::TestWithParam<MtCase> {};

TEST_P(MtDownloaderCases, EventsRequestsAndPackage) {
  const MtCase& c = GetParam();
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  {
    CMTCurlDownloader downloader(log.Callback(), WUrl(Opts(c.name, c.size, c.extra)), save);
    const std::vector<Event> events = RunToEnd(downloader, log);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(RunCodes(events), c.runs) << Describe(events);
    EXPECT_EQ(ProgressFault(events), "");
    EXPECT_EQ(events.back().value, c.endValue);
    EXPECT_EQ(events.back().text, L"LibCurl");
    if (!c.notice.empty()) {
      const Event* notice = Last(events, InstallEventCode::DL_CODE_NOTICE);
      ASSERT_NE(notice, nullptr);
      EXPECT_EQ(notice->text, c.notice);
      EXPECT_EQ(notice->value, 0.0);
    }
    const std::vector<Request> serverLog = ServerLog("mt_" + std::string(c.name));
    if (!c.ranges.empty()) {
      EXPECT_EQ(Sorted(GetRanges(serverLog)), Sorted(c.ranges));
    }
    if (c.gets >= 0) {
      EXPECT_EQ(static_cast<int>(Gets(serverLog).size()), c.gets);
    }

    const bool success = events.back().code == InstallEventCode::DOWNLOAD_SUCCESS;
    EXPECT_EQ(Exists(save), success);
    if (success) {
      std::string data;
      ASSERT_TRUE(ReadFileBytes(save, data));
      EXPECT_EQ(Difference(data, BodyOf(c.size)), "");
      EXPECT_FALSE(Exists(PartFile(save, 0)));
      EXPECT_FALSE(Exists(PartFile(save, 1)));
    }
    // Whatever happened, no part file ever holds a byte that differs from the body.
    const std::string body = BodyOf(c.size);
    const std::vector<PartRange> parts = CMTCurlDownloader::SplitParts(c.size);
    for (size_t i = 0; i < parts.size(); ++i) {
      std::string data;
      if (!ReadFileBytes(PartFile(save, static_cast<int>(i)), data)) continue;
      EXPECT_EQ(Difference(data, body.substr(parts[i].start, data.size())), "") << "part " << i;
    }
  }
  EXPECT_FALSE(Exists(PartFile(save, 0)));
  EXPECT_FALSE(Exists(PartFile(save, 1)));
}

const std::wstring kNoDigest = L"mtcurl获取url-md5失败";
const std::wstring kBadDigest = L"mtcurl文件md5校验失败";

INSTANTIATE_TEST_SUITE_P(
    Server, MtDownloaderCases,
    ::testing::Values(
        MtCase{"one_part_below_20MiB", 20971519, "", {"1001 1003"}, 0.0, {"bytes=0-20971518"}, 1, L""},
        MtCase{"two_parts_at_20MiB",
               20971520,
               "",
               {"1001 1003"},
               0.0,
               {"bytes=0-10485759", "bytes=10485760-20971519"},
               2,
               L""},
        MtCase{"two_parts_above_20MiB",
               20971521,
               "",
               {"1001 1003"},
               0.0,
               {"bytes=0-10485759", "bytes=10485760-20971520"},
               2,
               L""},
        MtCase{"no_digest_segment", kMiB, "digest=none", {"1001 1006 1003"}, 0.0, {}, 1, kNoDigest},
        MtCase{
            "wrong_digest_twice", kMiB, "digest=wrong", {"1001 1006 1005", "1001 1006 1004"}, 0.0, {}, 2, kBadDigest},
        MtCase{"part0_corrupted_once",
               20971521,
               "getlo=flip1000",
               {"1001 1006 1005", "1001 1003"},
               0.0,
               {},
               4,
               kBadDigest},
        MtCase{"part1_corrupted_once",
               20971521,
               "gethi=flip15000000",
               {"1001 1006 1005", "1001 1003"},
               0.0,
               {},
               4,
               kBadDigest},
        MtCase{"probe_404", kMiB, "head=404", {"1001 1004"}, 0.0, {}, 0, L""},
        MtCase{"no_length_probed", kMiB, "nolen=1", {"1001 1004"}, 0.0, {}, 0, L""},
        // 2 units per failure: 7 transfers a part and attempt.
        MtCase{"server_error_budget",
               kMiB,
               "then=s500",
               {"1001 1005", "1001 1004"},
               CURLE_HTTP_RETURNED_ERROR,
               {},
               14,
               L""},
        // 1 unit per partial transfer: 13 transfers a part and attempt.
        MtCase{
            "partial_file_budget", kMiB, "then=drop1000", {"1001 1005", "1001 1004"}, CURLE_PARTIAL_FILE, {}, 26, L""},
        MtCase{"part_fails_twice_then_works", 20971521, "gethi=s503x2", {"1001 1003"}, 0.0, {}, 4, L""},
        MtCase{"part_dropped_resumes",
               20971521,
               "gethi=drop3000000",
               {"1001 1003"},
               0.0,
               {"bytes=0-10485759", "bytes=10485760-20971520", "bytes=13485760-20971520"},
               3,
               L""},
        // A part answer that ends early without a length is resumed, not taken.
        MtCase{"part_cut_without_length",
               20971521,
               "gethi=cut3000000",
               {"1001 1003"},
               0.0,
               {"bytes=0-10485759", "bytes=10485760-20971520", "bytes=13485760-20971520"},
               3,
               L""},
        // Bytes past the end of a part are never written; the part is complete.
        MtCase{"part_sent_too_long", 20971521, "gethi=over5000", {"1001 1003"}, 0.0, {}, 2, L""},
        // A stalled part fails by the low-speed rule and resumes.
        MtCase{"part_stalls_once",
               20971521,
               "gethi=stall100000",
               {"1001 1003"},
               0.0,
               {"bytes=0-10485759", "bytes=10485760-20971520", "bytes=10585760-20971520"},
               3,
               L""},
        // A server that ignores ranges or answers another one is never
        // appended to a part: those parts fail.
        MtCase{"ranges_ignored", 20971521, "then=full", {"1001 1005", "1001 1004"}, CURLE_RANGE_ERROR, {}, -1, L""},
        MtCase{
            "ranges_shifted", 20971521, "then=shift1000", {"1001 1005", "1001 1004"}, CURLE_RANGE_ERROR, {}, -1, L""}),
    [](const ::testing::TestParamInfo<MtCase>& info) { return std::string(info.param.name); });

TEST(MtDownloader, RetriesOfAPartPause400ms) {
  TempDir dir;
  EventLog log;
  CMTCurlDownloader downloader(log.Callback(), WUrl(Opts("pauses", kMiB, "then=s500")), dir.File(L"package.exe"));
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  const std::vector<Request> gets = Gets(ServerLog("mt_pauses"));
  ASSERT_EQ(gets.size(), 7u);
  for (size_t i = 1; i < gets.size(); ++i) EXPECT_GE(gets[i].ms - gets[i - 1].ms, 390.0) << i;
}

TEST(MtDownloader, ResumedTransfersOfAPartContinueWhereItsFileEnds) {
  TempDir dir;
  EventLog log;
  CMTCurlDownloader downloader(log.Callback(), WUrl(Opts("part_resume", kMiB, "get=drop1000x3")),
                               dir.File(L"package.exe"));
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  EXPECT_EQ(
      GetRanges(ServerLog("mt_part_resume")),
      (std::vector<std::string>{"bytes=0-1048575", "bytes=1000-1048575", "bytes=2000-1048575", "bytes=3000-1048575"}));
}

TEST(MtDownloader, PackagesOf2GiBAndMoreAreProbedAndRequestedWhole) {
  // A 3 GiB package whose transfers all fail: the probed length and the
  // ranges asked for show that nothing is cut to 32 bits.
  TempDir dir;
  EventLog log;
  auto downloader = std::make_unique<CMTCurlDownloader>(
      log.Callback(), WUrl(Opts("three_gib", 3 * kGiB, "digest=none,then=s500")), dir.File(L"package.exe"));
  downloader->Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  EXPECT_EQ(Codes(log.Events()), "1001 1005");
  const std::vector<std::string> ranges = GetRanges(ServerLog("mt_three_gib"));
  EXPECT_EQ(std::count(ranges.begin(), ranges.end(), "bytes=0-1610612735"), 7);
  EXPECT_EQ(std::count(ranges.begin(), ranges.end(), "bytes=1610612736-3221225471"), 7);
}

TEST(MtDownloader, FailureBeforeProgressDeletesThePartFiles) {
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  CMTCurlDownloader downloader(log.Callback(), WUrl(Opts("fail_early", 20971521, "then=s500")), save);
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  EXPECT_EQ(Codes(log.Events()), "1001 1005");
  EXPECT_EQ(ProgressCount(log.Events()), 0u);
  EXPECT_FALSE(Exists(PartFile(save, 0)));
  EXPECT_FALSE(Exists(PartFile(save, 1)));
}

// A first attempt that fails after progress keeps its part files (each part
// gets 3,000,000 bytes, then fails until its budget is spent: 1 unit for the
// cut, 2 for each of seven 500s); the
// second attempt resumes each part from what its file holds (which the test
// rewrites in between).
struct ResumeCase {
  const char* name;
  int64_t part0Bytes;  // -1: leave the kept file as it is
  int64_t part1Bytes;
  std::vector<std::string> ranges;  // the second attempt's requests
  bool damagePart0 = false;         // one byte of the kept part 0 changed on disk
  const char* secondCodes = "1001 1003";
};

class MtResumeCases : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(MtResumeCases, SecondAttemptRequestsOnlyWhatIsMissing) {
  const ResumeCase& c = GetParam();
  const int64_t size = 20971521;  // parts 0-10485759 and 10485760-20971520
  const std::string body = BodyOf(size);
  const std::string id = std::string("resume_") + c.name;
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  CMTCurlDownloader downloader(
      log.Callback(), WUrl(Opts(id, size, "rate=2097152,getlo=drop3000000+s500x7,gethi=drop3000000+s500x7")), save);
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  ASSERT_EQ(Codes(log.Events()), "1001 1005") << Describe(log.Events());
  ASSERT_GE(ProgressCount(log.Events()), 1u);
  EXPECT_EQ(SizeOf(PartFile(save, 0)), 3000000);
  EXPECT_EQ(SizeOf(PartFile(save, 1)), 3000000);
  const size_t firstAttemptGets = Gets(ServerLog("mt_" + id)).size();

  if (c.part0Bytes >= 0) {
    ASSERT_TRUE(WriteFileBytes(PartFile(save, 0), body.substr(0, c.part0Bytes)));
  }
  if (c.part1Bytes >= 0) {
    ASSERT_TRUE(WriteFileBytes(PartFile(save, 1), body.substr(10485760, c.part1Bytes)));
  }
  if (c.damagePart0) {
    std::string kept;
    ASSERT_TRUE(ReadFileBytes(PartFile(save, 0), kept));
    kept[12345] = static_cast<char>(kept[12345] ^ 0x20);
    ASSERT_TRUE(WriteFileBytes(PartFile(save, 0), kept));
  }
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(2, kRunTimeoutMs));
  const std::vector<Event> second = RunEvents(log.Events(), 1);
  EXPECT_EQ(Codes(second), c.secondCodes) << Describe(second);

  std::vector<std::string> ranges = GetRanges(ServerLog("mt_" + id));
  ranges.erase(ranges.begin(), ranges.begin() + static_cast<long>(firstAttemptGets));
  EXPECT_EQ(Sorted(ranges), Sorted(c.ranges));
  if (second.back().code == InstallEventCode::DOWNLOAD_SUCCESS) {
    std::string data;
    ASSERT_TRUE(ReadFileBytes(save, data));
    EXPECT_EQ(Difference(data, body), "");
  } else {
    EXPECT_FALSE(Exists(save));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Server, MtResumeCases,
    ::testing::Values(ResumeCase{"both_parts_resume", -1, -1, {"bytes=3000000-10485759", "bytes=13485760-20971520"}},
                      // A part whose file is complete makes no request.
                      ResumeCase{"part0_complete_part1_1000", 10485760, 1000, {"bytes=10486760-20971520"}},
                      // The last block of a part is a single byte.
                      ResumeCase{"part0_one_byte_missing", 10485759, 10485761, {"bytes=10485759-10485759"}},
                      // The digest covers what the kept files hold, not only what was received.
                      ResumeCase{"kept_part_changed_on_disk",
                                 -1,
                                 -1,
                                 {"bytes=3000000-10485759", "bytes=13485760-20971520"},
                                 true,
                                 "1001 1006 1004"}),
    [](const ::testing::TestParamInfo<ResumeCase>& info) { return std::string(info.param.name); });

TEST(MtDownloader, CleanDownloadSendsTheTableEvents) {
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  CMTCurlDownloader downloader(log.Callback(), WUrl(Opts("clean_events", 20971521, "rate=4194304")), save);
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  const std::vector<Event> events = log.Events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front().code, InstallEventCode::DL_CODE_START);
  EXPECT_EQ(events.front().value, 1.0);
  EXPECT_EQ(events.front().text, L"");
  EXPECT_EQ(events.back().code, InstallEventCode::DOWNLOAD_SUCCESS);
  EXPECT_EQ(events.back().value, 0.0);
  EXPECT_EQ(events.back().text, L"LibCurl");
  EXPECT_EQ(ProgressFault(events), "");
  ASSERT_GE(ProgressCount(events), 2u) << Describe(events);
  // Both parts pass through one gate: at most one report per calendar
  // second, each a whole point above the one before.
  double lastValue = 0.0;
  int64_t lastSecond = -1;
  for (size_t i = 1; i + 1 < events.size(); ++i) {
    ASSERT_EQ(events[i].code, InstallEventCode::DL_CODE_PROGRESS);
    EXPECT_GE(events[i].value - lastValue, 0.01 - 1e-12);
    EXPECT_GT(events[i].second, lastSecond);
    lastValue = events[i].value;
    lastSecond = events[i].second;
  }
  std::string data;
  ASSERT_TRUE(ReadFileBytes(save, data));
  EXPECT_EQ(Difference(data, BodyOf(20971521)), "");
}

TEST(MtDownloader, CurlNotReady) {
  TempDir dir;
  EventLog log;
  g_InstallConfig.CurlReady = false;
  {
    CMTCurlDownloader downloader(log.Callback(), WUrl(Opts("curl_not_ready", kMiB)), dir.File(L"package.exe"));
    downloader.Start();
    EXPECT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  }
  g_InstallConfig.CurlReady = true;
  const std::vector<Event> events = log.Events();
  ASSERT_EQ(Codes(events), "1001 1004");
  EXPECT_EQ(events.back().value, 0.0);
  EXPECT_TRUE(ServerLog("mt_curl_not_ready").empty());
}

TEST(MtDownloader, FileUrlHasNoStatusAndFailsTheProbe) {
  TempDir dir;
  const std::wstring source = dir.File(L"source.bin");
  ASSERT_TRUE(WriteFileBytes(source, BodyOf(kMiB)));
  EventLog log;
  CMTCurlDownloader downloader(log.Callback(), FileUrl(source), dir.File(L"package.exe"));
  downloader.Start();
  ASSERT_TRUE(log.WaitForRunEnds(1, kRunTimeoutMs));
  EXPECT_EQ(Codes(log.Events()), "1001 1004");
  EXPECT_EQ(log.Events().back().value, 0.0);
}

TEST(MtDownloader, PartFileThatCannotBeOpened) {
  TempDir dir;
  EventLog log;
  CMTCurlDownloader downloader(log.Callback(), WUrl(Opts("part_cannot_open", kMiB)), dir.File(L"missing\\package.exe"));
  RunToEnd(downloader, log);
  EXPECT_EQ(RunCodes(log.Events()), (std::vector<std::string>{"1001 1005", "1001 1004"}));
  EXPECT_EQ(log.Events().back().value, -2.0);
  EXPECT_TRUE(Gets(ServerLog("mt_part_cannot_open")).empty());
}

TEST(MtDownloader, RestartFromInsideTheCallback) {
  TempDir dir;
  EventLog log;
  InstallEventCallback record = log.Callback();
  std::unique_ptr<CMTCurlDownloader> downloader;
  downloader = std::make_unique<CMTCurlDownloader>(
      [&](int32_t code, double value, const std::wstring& text) {
        record(code, value, text);
        if (code == InstallEventCode::DL_CODE_RETRY) downloader->Start();
      },
      WUrl(Opts("restart_inside", kMiB, "digest=wrong")), dir.File(L"package.exe"));
  downloader->Start();
  ASSERT_TRUE(log.WaitForRunEnds(2, kRunTimeoutMs));
  EXPECT_EQ(Codes(log.Events()), "1001 1006 1005 1001 1006 1004");
  downloader.reset();
}

// ---- destruction while an attempt runs -------------------------------------------

class MtDownloaderStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(MtDownloaderStop, StopsWaitsAndLeavesNothing) {
  const StopCase& c = GetParam();
  TempDir dir;
  const std::wstring save = dir.File(L"package.exe");
  EventLog log;
  ExpectStopsAtOnce(
      [&] { return std::make_unique<CMTCurlDownloader>(log.Callback(), WUrl(Opts(c.name, 20971521, c.extra)), save); },
      log, c);
  EXPECT_FALSE(Exists(save));
  EXPECT_FALSE(Exists(PartFile(save, 0)));
  EXPECT_FALSE(Exists(PartFile(save, 1)));
}

INSTANTIATE_TEST_SUITE_P(Server, MtDownloaderStop,
                         ::testing::Values(StopCase{"stop_during_transfer", "rate=1048576",
                                                    InstallEventCode::DL_CODE_PROGRESS, 0},
                                           StopCase{"stop_during_stall", "then=stall100000", 0, 1500},
                                           StopCase{"stop_during_stalled_probe", "head=stall", 0, 1500},
                                           StopCase{"stop_during_retry_pause", "then=s500", 0, 1000}),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
