#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "config/install_config.h"
#include "test_support.h"

namespace {

const std::wstring kDefaultUrl = CInstallConfig::kDefaultDownloadUrl;

// One way of starting the installer and what the record must then hold.
struct Case {
  const char* name = "";
  std::optional<std::string> ini{};  // the [Install] file beside the program, if any
  std::wstring switches{};           // the command line after the program path
  std::wstring os = L"7";
  bool is64 = true;

  std::optional<std::wstring> url{};
  std::optional<int32_t> type{};
  std::optional<bool> checkNet{};
  std::optional<bool> analytics{};
  std::optional<double> scale{};  // NaN means not-a-number
  std::optional<std::wstring> suffix{};
  std::optional<std::wstring> dlVersion{};
  std::optional<std::wstring> instCmd{};
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

CInstallConfig Build(const test::TempDir& dir, const Case& c) {
  if (c.ini) {
    EXPECT_TRUE(test::WriteFileBytes(dir / L"ZeltoInstallerConfig.ini", *c.ini));
  }
  CInstallConfig::Environment env;
  env.exePath = dir / L"LumavoxSetup.exe";
  env.commandLine = L"\"" + env.exePath + L"\" " + c.switches;
  env.osVersionName = c.os;
  env.is64BitSystem = c.is64;
  CInstallConfig config(env);
  config.ApplySwitches();
  return config;
}

const std::string kEmptySection = "[Install]\r\n";

std::vector<Case> Cases() {
  std::vector<Case> v;
  auto add = [&v](Case c) { v.push_back(std::move(c)); };
  // Defaults, and the two defaults of IsCheckNet.
  add({.name = "no_file",
       .url = kDefaultUrl,
       .type = 1,
       .checkNet = false,
       .analytics = true,
       .scale = 0.7,
       .suffix = L".downloader",
       .dlVersion = L"",
       .instCmd = L""});
  add({.name = "file_without_keys",
       .ini = kEmptySection,
       .url = kDefaultUrl,
       .type = 1,
       .checkNet = true,
       .analytics = true,
       .scale = 0.7,
       .suffix = L".downloader",
       .dlVersion = L"",
       .instCmd = L""});
  // Empty values are empty, not defaults.
  add({.name = "empty_values",
       .ini = "[Install]\r\nIsCheckNet=\r\nIsEnableAppAnalytics=\r\nDlAppNameSuffix=\r\nDownloadScale=\r\n"
              "DownloadUrl=\r\n",
       .url = L"",
       .checkNet = false,
       .analytics = false,
       .scale = 0.0,
       .suffix = L""});
  // Flags are "true" exactly.
  add({.name = "flag_capitals",
       .ini = "[Install]\r\nIsCheckNet=True\r\nIsEnableAppAnalytics=1\r\n",
       .checkNet = false,
       .analytics = false});
  add({.name = "flag_true",
       .ini = "[Install]\r\nIsCheckNet=true\r\nIsEnableAppAnalytics=false\r\n",
       .checkNet = true,
       .analytics = false});
  // Numbers with trailing text, none, and out of range.
  add({.name = "file_numbers_trailing_text",
       .ini = "[Install]\r\nDownloadType=3abc\r\nDownloadScale= 0.5x\r\n",
       .type = 3,
       .scale = 0.5});
  add({.name = "file_numbers_none",
       .ini = "[Install]\r\nDownloadType=abc\r\nDownloadScale=abc\r\n",
       .type = 0,
       .scale = 0.0});
  add({.name = "file_numbers_out_of_range",
       .ini = "[Install]\r\nDownloadType=99999999999\r\nDownloadScale=1e999\r\n",
       .type = 1,
       .scale = 0.7});
  add({.name = "file_negative_type", .ini = "[Install]\r\nDownloadType=-2\r\n", .type = -2});
  // "=" inside file values, and every string key.
  add({.name = "file_strings",
       .ini = "[Install]\r\nInstCmd=-a=b=c\r\nm_DlAppVersion=2.0.1\r\nDlAppNameSuffix=.web\r\n"
              "DownloadUrl=http://h/x\r\n",
       .url = L"http://h/x",
       .suffix = L".web",
       .dlVersion = L"2.0.1",
       .instCmd = L"-a=b=c"});
  add({.name = "file_url_route",
       .ini = "[Install]\r\nDownloadUrl=http://h/${ROUTE}/p\r\n",
       .url = L"http://h/download_silent/p"});
  add({.name = "file_value_cut_at_259",
       .ini = "[Install]\r\nInstCmd=" + std::string(300, 'q') + "\r\n",
       .instCmd = std::wstring(259, L'q')});
  // Routes.
  add({.name = "route_win7_64",
       .switches = L"-downloadurl=http://h/${ROUTE}/a",
       .os = L"7",
       .is64 = true,
       .url = L"http://h/download_silent/a"});
  add({.name = "route_xp",
       .switches = L"-downloadurl=http://h/${ROUTE}/a",
       .os = L"XP",
       .is64 = false,
       .url = L"http://h/download_silent_xp/a"});
  add({.name = "route_xp_plus",
       .switches = L"-downloadurl=http://h/${ROUTE}",
       .os = L"XP+",
       .url = L"http://h/download_silent_xp"});
  add({.name = "route_unknown_version",
       .switches = L"-downloadurl=http://h/${ROUTE}",
       .os = L"XP-",
       .url = L"http://h/download_silent_xp"});
  add({.name = "route_server_2003",
       .switches = L"-downloadurl=http://h/${ROUTE}",
       .os = L"Server 2003",
       .is64 = true,
       .url = L"http://h/download_silent"});
  add({.name = "route_xp64_is_server_2003_r2",
       .switches = L"-downloadurl=http://h/${ROUTE}",
       .os = L"Server 2003 R2",
       .is64 = true,
       .url = L"http://h/download_silent"});
  add({.name = "route_twice",
       .switches = L"-downloadurl=${ROUTE}/${ROUTE}",
       .url = L"download_silent/download_silent"});
  add({.name = "no_route", .switches = L"-downloadurl=http://h/p", .os = L"XP", .url = L"http://h/p"});
  // Switch forms.
  add({.name = "switch_quoted_blanks_and_equals", .switches = L"\"-instcmd=-x=1 -y=2\"", .instCmd = L"-x=1 -y=2"});
  add({.name = "switch_key_case_sensitive",
       .switches = L"-DownloadType=3 -ISCHECKNET=true",
       .type = 1,
       .checkNet = false});
  add({.name = "switch_value_capitals",
       .switches = L"-ischecknet=TRUE -isenableappanalytics=True",
       .checkNet = false,
       .analytics = false});
  add({.name = "switch_flags_true",
       .ini = "[Install]\r\nIsEnableAppAnalytics=false\r\n",
       .switches = L"-ischecknet=true -isenableappanalytics=true",
       .checkNet = true,
       .analytics = true});
  add({.name = "switch_type_trailing_text", .switches = L"-downloadtype=3abc", .type = 3});
  add({.name = "switch_type_no_value", .switches = L"-downloadtype", .type = 0});
  add({.name = "switch_type_no_number", .switches = L"-downloadtype=abc", .type = 0});
  add({.name = "switch_type_out_of_range", .switches = L"-downloadtype=-99999999999", .type = 1});
  add({.name = "switch_scale", .switches = L"-downloadscale=0.25", .scale = 0.25});
  add({.name = "switch_scale_no_number", .switches = L"-downloadscale=x", .scale = NAN});
  add({.name = "switch_scale_no_value", .switches = L"-downloadscale", .scale = NAN});
  add({.name = "switch_scale_out_of_range", .switches = L"-downloadscale=-1e999", .scale = 0.7});
  add({.name = "switch_first_wins", .switches = L"-downloadurl=http://a -downloadurl=http://b", .url = L"http://a"});
  add({.name = "switch_url_no_value", .switches = L"-downloadurl", .url = L""});
  add({.name = "switch_strings",
       .switches = L"-dlappnamesuffix=.x -dlappversion=9 -instcmd=",
       .suffix = L".x",
       .dlVersion = L"9",
       .instCmd = L""});
  add({.name = "switch_over_file",
       .ini = "[Install]\r\nDownloadType=2\r\nInstCmd=file\r\n",
       .switches = L"-downloadtype=3 unrelated -other=1",
       .type = 3,
       .instCmd = L"file"});
  return v;
}

class ConfigCase : public ::testing::TestWithParam<Case> {};

TEST_P(ConfigCase, RecordHoldsTheExpectedValues) {
  const Case& c = GetParam();
  test::TempDir dir;
  const CInstallConfig config = Build(dir, c);
  auto expect = [](const auto& wanted, const auto& actual, const char* field) {
    if (wanted) {
      EXPECT_EQ(actual, *wanted) << field;
    }
  };
  expect(c.url, config.DownloadUrl, "DownloadUrl");
  expect(c.type, config.DownloadType, "DownloadType");
  expect(c.checkNet, config.IsCheckNet, "IsCheckNet");
  expect(c.analytics, config.IsEnableAppAnalytics, "IsEnableAppAnalytics");
  expect(c.suffix, config.DlAppNameSuffix, "DlAppNameSuffix");
  expect(c.dlVersion, config.DlAppVersion, "DlAppVersion");
  expect(c.instCmd, config.InstCmd, "InstCmd");
  if (c.scale && std::isnan(*c.scale)) {
    EXPECT_TRUE(std::isnan(config.DownloadScale)) << config.DownloadScale;
  } else if (c.scale) {
    EXPECT_DOUBLE_EQ(config.DownloadScale, *c.scale);
  }
  // Whatever the sources say, these stay.
  EXPECT_EQ(config.AppId, L"lumavoxapp");
  EXPECT_EQ(config.AppVersion, L"1.7.9");
  EXPECT_EQ(config.ExeName, L"LumavoxSetup.exe");
  EXPECT_TRUE(config.CurlReady);
  EXPECT_EQ(config.AbGroup, L"IN");
}

INSTANTIATE_TEST_SUITE_P(Sources, ConfigCase, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(Config, DefaultUrlIsTheRedirectPath) {
  EXPECT_EQ(kDefaultUrl.compare(0, 7, L"http://"), 0);
  EXPECT_EQ(kDefaultUrl.substr(kDefaultUrl.size() - 13), L"/software/206");
}

TEST(Config, ProcessRecordReadsItsOwnProgram) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(g_InstallConfig.ExeName, L"config_tests.exe");
  EXPECT_EQ(g_InstallConfig.DownloadUrl, kDefaultUrl);
}

}  // namespace
