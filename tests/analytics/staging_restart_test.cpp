// Unsent records survive the end of the process: run twice by
// run_with_collector.py --restart, first while nothing listens at the
// collection URL, then with the collector up at the same URL.
#include <windows.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "analytics/collector_client.h"
#include "analytics/report/report.h"
#include "config/install_config.h"

using namespace testing_analytics;

namespace {

// Shared by both runs, so not a ScratchDir: the first run makes it, the
// second removes it.
std::string DataFolder() {
  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "lumavox-test-restart\\";
}

std::string SettingsFile() {
  char module[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  const std::string path = module;
  return path.substr(0, path.rfind('\\') + 1) + "Set.ini";
}

const std::string kStaging = "lumavoxapp.downloader_ZTSStaging.txt";

std::string DistinctId(const std::string& record) {
  const size_t at = record.find("\"distinct_id\":\"") + 15;
  return record.substr(at, record.find('"', at) - at);
}

TEST(StagingRestart, UnsentRecordsAreSentByTheNextRun) {
  const std::string phase = Env("LUMAVOX_RESTART_PHASE");
  ASSERT_TRUE(phase == "1" || phase == "2") << "run through run_with_collector.py --restart";
  CollectorClient collector;
  const std::string folder = DataFolder();
  const std::string staging = folder + kStaging;
  ::SetEnvironmentVariableA("LUMAVOX_ANALYTICS_URL", collector.url().c_str());
  g_InstallConfig.IsEnableAppAnalytics = true;

  if (phase == "1") {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    ::WritePrivateProfileStringA("Install", "ZTAnalyticsIni",
                                 (folder + "lumavoxapp.downloader_ZTSConfigure.ini").c_str(), SettingsFile().c_str());
    InitAnalytics();
    for (const wchar_t* name : {L"first run 1", L"first run 2", L"first run 3"}) {
      ReportTask(name, 0, L"", {{L"AB", L"IN"}});
    }
    testing::internal::CaptureStderr();
    ReleaseAnalytics();  // nobody answers: the records go to the staging file
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ZtCollect SDK send failed: "), std::string::npos) << err;
    const auto lines = Lines(ReadFile(staging));
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(PropertyJson(lines[i], "zt_task_name"), "\"first run " + std::to_string(i + 1) + "\"");
    }
    return;
  }

  const auto staged = Lines(ReadFile(staging));
  ASSERT_EQ(staged.size(), 3u) << "the first run's records did not survive";
  InitAnalytics();
  ReportTask(L"second run", 0, L"", {{L"AB", L"IN"}});
  ReleaseAnalytics();
  const auto received = collector.Records();
  ASSERT_EQ(received.size(), 4u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(received[i], staged[i]) << i;  // exactly as staged
  EXPECT_EQ(PropertyJson(received[3], "zt_task_name"), "\"second run\"");
  EXPECT_EQ(DistinctId(received[3]), DistinctId(staged[0]));  // the same device in both runs
  EXPECT_EQ(ReadFile(staging), "");

  ::DeleteFileA(SettingsFile().c_str());
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace
