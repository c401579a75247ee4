// The installer's report functions and its catalogue of events, as the
// local collector receives them.
#include <gtest/gtest.h>
#include <objbase.h>

#include <cmath>
#include <filesystem>
#include <thread>

#include "analytics/collector_client.h"
#include "analytics/report/install_event_reporter.h"
#include "analytics/report/report.h"
#include "analytics/sdk/sdk.h"
#include "analytics/tracker/tracker.h"
#include "config/install_config.h"
#include "download/install_event.h"
#include "utils/system.h"
#include "utils/text.h"

using namespace testing_analytics;
using namespace InstallEventCode;

namespace {

std::string U8(const std::wstring& w) { return Utils::WideToNarrow(w, CP_UTF8); }
std::string Quoted(const std::wstring& w) { return "\"" + U8(w) + "\""; }

std::string Event(const std::string& record) {
  const size_t at = record.find("\"event\":\"");
  return at == std::string::npos ? "" : record.substr(at + 9, record.find('"', at + 9) - at - 9);
}

class Reports : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(collector_.available()) << "run through run_with_collector.py";
    collector_.Clear();
    g_InstallConfig.IsEnableAppAnalytics = true;
    g_InstallConfig.DlAppVersion = L"2.0.1";
  }
  void TearDown() override {
    ReleaseAnalytics();
    g_InstallConfig = saved_;
  }
  std::vector<std::string> Received() const { return collector_.Records(); }

  const CInstallConfig saved_ = g_InstallConfig;
  CollectorClient collector_;
  AnalyticsSandbox sandbox_{"reports", collector_.url()};
  ScratchDir install_{"install-folder"};
};

TEST_F(Reports, WithAnalyticsOffNothingIsQueuedCreatedOrSent) {
  g_InstallConfig.IsEnableAppAnalytics = false;
  InitAnalytics();
  EXPECT_EQ(zelto::analytics::currentTracker(), nullptr);
  CInstallEventReporter window(Utils::NarrowToWide(install_.path(), 0) + L"__Package_lumavoxapp.exe");
  window.OnInstallEvent(DL_CODE_START, 0, L"");
  window.OnClick(ReportName::kInstallNow);
  window.OnInstallPageShown();
  ReportTask(L"t", 1, L"r", {{L"AB", L"IN"}});
  ReportCrashExit();
  ReportSizeQueryFailed(404);
  EXPECT_FALSE(collect::Sdk::IsInitialized());
  ReleaseAnalytics();
  EXPECT_TRUE(collector_.Requests().empty());
  EXPECT_TRUE(std::filesystem::is_empty(sandbox_.dataFolder())) << sandbox_.dataFolder();

  // Switched off after the tracker came up: reports are dropped as well.
  g_InstallConfig.IsEnableAppAnalytics = true;
  InitAnalytics();
  g_InstallConfig.IsEnableAppAnalytics = false;
  ReportTask(L"t", 1, L"r", {{L"AB", L"IN"}});
  ReportCrash();
  EXPECT_TRUE(collect::Sdk::QueuedRecords().empty());
}

TEST_F(Reports, TheInstallFunnelAsTheCollectorGetsIt) {
  InitAnalytics();
  CInstallEventReporter window(Utils::NarrowToWide(install_.path(), 0) + L"__Package_lumavoxapp.exe");
  window.OnClick(ReportName::kInstallNow);
  window.OnInstallPageShown();
  window.OnInstallEvent(DL_CODE_START, 0, L"");
  window.OnInstallEvent(DL_CODE_PROGRESS, 0.5, L"");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  window.OnInstallEvent(DOWNLOAD_SUCCESS, 0, L"");
  window.OnInstallEvent(IST_CODE_PROGRESS, 0.5, L"");
  window.OnInstallEvent(INSTALL_SUCCESS, 0, L"");
  window.OnClick(ReportName::kStartProduct);
  ReleaseAnalytics();

  const auto r = Received();
  const struct {
    const char* event;
    const wchar_t* name;  // zt_task_name or zt_name
    const char* elapsed;  // empty: not a task
  } expected[] = {
      {"ZtEventClick", L"立即安装", ""},     {"ZtEventView", L"安装中", ""},        {"ZtEventTask", L"下载器启动", "0"},
      {"ZtEventTask", L"开始下载大包", "0"}, {"ZtEventTask", L"大包下载完毕", "?"}, {"ZtEventTask", L"安装成功", "0"},
      {"ZtEventClick", L"立即体验", ""},
  };
  ASSERT_EQ(r.size(), std::size(expected));
  for (size_t i = 0; i < r.size(); ++i) {
    const auto& e = expected[i];
    const bool task = e.elapsed[0] != '\0';
    EXPECT_EQ(Event(r[i]), e.event) << i;
    EXPECT_EQ(PropertyJson(r[i], task ? "zt_task_name" : "zt_name"), Quoted(e.name)) << i;
    EXPECT_EQ(PropertyJson(r[i], "ztc_ab"), "\"IN\"") << i;
    EXPECT_EQ(PropertyJson(r[i], "$is_first_time"), "true") << i;
    EXPECT_EQ(PropertyJson(r[i], "zt_app_store"), "\"analytics_report_tests.exe\"") << i;
    EXPECT_EQ(PropertyJson(r[i], "zt_app_id"), "\"lumavoxapp.downloader\"") << i;
    EXPECT_EQ(PropertyJson(r[i], "zt_dlapp_id"), "\"lumavoxapp\"") << i;
    EXPECT_EQ(PropertyJson(r[i], "zt_dlapp_version"), "\"2.0.1\"") << i;
    EXPECT_EQ(PropertyJson(r[i], "$app_version"), "\"1.7.9\"") << i;
    if (task) {
      EXPECT_EQ(PropertyJson(r[i], "zt_task_result"), "\"Success\"") << i;
      EXPECT_EQ(PropertyJson(r[i], "zt_reason"), "") << i;
      if (e.elapsed[0] != '?') {
        EXPECT_EQ(PropertyJson(r[i], "zt_task_elapsed"), e.elapsed) << i;
      }
    } else if (std::string(e.event) == "ZtEventClick") {
      EXPECT_EQ(PropertyJson(r[i], "zt_click_type"), "\"Button\"") << i;
    }
  }
  const double downloadSeconds = std::atof(PropertyJson(r[4], "zt_task_elapsed").c_str());
  EXPECT_GE(downloadSeconds, 0.29);  // since the last download start
  EXPECT_LT(downloadSeconds, 30.0);
}

TEST_F(Reports, TheDownloaderStartIsReportedOncePerWindow) {
  const struct {
    std::vector<int> steps;  // pipeline codes; 1224 is the window's start query
    std::vector<std::wstring> names;
  } cases[] = {
      {{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START}, {L"下载器启动", L"开始下载大包", L"开始下载大包"}},
      {{1224, 1224, DL_CODE_START}, {L"下载器启动", L"开始下载大包"}},
  };
  for (const auto& c : cases) {
    collector_.Clear();
    InitAnalytics();
    CInstallEventReporter window;
    for (const int step : c.steps) {
      if (step == 1224) {
        window.OnStartQuery();
      } else {
        window.OnInstallEvent(step, 0, L"");
      }
    }
    ReleaseAnalytics();
    const auto r = Received();
    ASSERT_EQ(r.size(), c.names.size());
    for (size_t i = 0; i < r.size(); ++i) {
      EXPECT_EQ(PropertyJson(r[i], "zt_task_name"), Quoted(c.names[i])) << i;
      EXPECT_EQ(PropertyJson(r[i], "ztc_ab"), "\"IN\"") << i;
    }
  }
}

TEST_F(Reports, FailureReasonsOfTheCatalogue) {
  InitAnalytics();
  const std::wstring package = Utils::NarrowToWide(install_.path(), 0) + L"__Package_lumavoxapp.exe";
  CInstallEventReporter window(package);
  window.OnInstallEvent(DL_CODE_NOTICE, 3.9, L"slow");
  window.OnInstallEvent(IST_CODE_FAIL, -2, L"bad");
  window.OnInstallEvent(DL_CODE_FAIL, 28, L"timeout");
  ReportSizeQueryFailed(404);
  ReportCurlInitFailed();
  ReleaseAnalytics();
  const auto r = Received();
  ASSERT_EQ(r.size(), 5u);
  const struct {
    const wchar_t* name;
    const wchar_t* reason;  // the whole reason, or its start for the download failure
  } expected[] = {
      {L"下载失败原因", L":1.code=3；2.msg=slow"},
      {L"安装失败原因", L":1.code=-2；2.msg=bad"},
      {L"下载失败原因", L"1.code=28；2.msg=timeout；3.缓存磁盘容量="},
      {L"下载失败原因", L"1.获取文件大小的状态码为=404；"},
      {L"libcurl初始化失败", nullptr},
  };
  for (size_t i = 0; i < r.size(); ++i) {
    EXPECT_EQ(PropertyJson(r[i], "zt_task_name"), Quoted(expected[i].name)) << i;
    EXPECT_EQ(PropertyJson(r[i], "ztc_ab"), "\"IN\"") << i;
    const std::string reason = PropertyJson(r[i], "zt_reason");
    if (!expected[i].reason) {
      EXPECT_EQ(reason, "") << i;
    } else if (i == 2) {
      EXPECT_EQ(reason.rfind("\"" + U8(expected[i].reason), 0), 0u) << reason;
      EXPECT_NE(reason.find(U8(L"G；4.缓存读写权限=可读；5.服务器连接状态code=")), std::string::npos) << reason;
    } else {
      EXPECT_EQ(reason, Quoted(expected[i].reason)) << i;
    }
  }
}

TEST(DownloadFailureReason, FormedFromRealChecks) {
  ScratchDir dir("row8");
  const std::wstring folder = Utils::NarrowToWide(dir.path(), 0);
  const std::wstring package = folder + L"__Package_lumavoxapp.exe";
  WriteFile(dir.path() + "__Package_lumavoxapp.exe", "half a package");

  const DownloadFailureChecks checks = CheckDownloadTarget(package);
  ULARGE_INTEGER available{};
  ASSERT_TRUE(::GetDiskFreeSpaceExW(folder.substr(0, 3).c_str(), &available, nullptr, nullptr));
  EXPECT_NEAR(checks.freeGiB, available.QuadPart / 1073741824.0, 0.05);
  EXPECT_TRUE(checks.writable);
  EXPECT_FALSE(FileExists(dir.path() + "__Package_lumavoxapp.exe"));  // probe and old file both gone
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  EXPECT_EQ(checks.networkWord, Utils::CheckNetwork());
  ::CoUninitialize();

  const DownloadFailureChecks nowhere = CheckDownloadTarget(folder + L"missing\\__Package_lumavoxapp.exe");
  EXPECT_FALSE(nowhere.writable);
  const DownloadFailureChecks empty = CheckDownloadTarget(L"");
  EXPECT_FALSE(empty.writable);
  EXPECT_EQ(empty.freeGiB, 0.0);

  const std::wstring reason = DownloadFailureReason(28, L"timeout", checks);
  wchar_t gib[32];
  swprintf(gib, 32, L"%.2f", checks.freeGiB);
  EXPECT_EQ(reason, L"1.code=28；2.msg=timeout；3.缓存磁盘容量=" + std::wstring(gib) +
                        L"G；4.缓存读写权限=可读；5.服务器连接状态code=" + std::to_wstring(checks.networkWord));
}

TEST(DownloadFailureReason, TextsAreCutTo199Characters) {
  const struct {
    std::wstring reason, expected;
  } cases[] = {
      {DownloadFailureReason(28.7, L"t", {12.5, true, 0x40}),
       L"1.code=28；2.msg=t；3.缓存磁盘容量=12.50G；4.缓存读写权限=可读；5.服务器连接状态code=64"},
      {DownloadFailureReason(-1, L"", {0, false, 0x20000}),
       L"1.code=-1；2.msg=；3.缓存磁盘容量=0.00G；4.缓存读写权限=无权限；5.服务器连接状态code=131072"},
      {EventFailureReason(std::nan(""), L"x"), L":1.code=0；2.msg=x"},
      {EventFailureReason(1e30, L"x"), L":1.code=2147483647；2.msg=x"},
      {EventFailureReason(7, std::wstring(300, L'm')), L":1.code=7；2.msg=" + std::wstring(199 - 16, L'm')},
  };
  for (const auto& c : cases) EXPECT_EQ(c.reason, c.expected);
  EXPECT_EQ(DownloadFailureReason(1, std::wstring(300, L'm'), {}).size(), 199u);
}

TEST_F(Reports, TheCrashFilterReportsAreSentAtOnce) {
  InitAnalytics();
  ReportCrashExit();
  const auto r = Received();  // before release
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(PropertyJson(r[0], "zt_task_name"), Quoted(L"崩溃退出"));
  EXPECT_EQ(PropertyJson(r[0], "zt_task_elapsed"), "0");
  EXPECT_EQ(Event(r[1]), "AppCrashed");
  EXPECT_EQ(PropertyJson(r[1], "app_crashed_reason"), Quoted(L"崩溃"));
}

TEST_F(Reports, LabelsThatAttachNothing) {
  InitAnalytics();
  const ReportProperties labels[] = {{}, {{L"AB", L""}}, {{L"AB", L"in"}}, {{L"AB", L"TOOLONG"}}, {{L"ab", L"IN"}}};
  for (const auto& extra : labels) EXPECT_NO_THROW(ReportTask(L"t", 0, L"", extra));
  ReleaseAnalytics();
  const auto r = Received();
  ASSERT_EQ(r.size(), std::size(labels));
  for (const auto& record : r) EXPECT_EQ(PropertyJson(record, "ztc_ab"), "") << record;
}

}  // namespace
