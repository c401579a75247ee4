// Machine facts, file locations and the stored identity.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <regex>

#include "analytics/collector_client.h"
#include "analytics/tracker/environment.h"
#include "analytics/tracker/identity.h"

using namespace zelto::analytics;
using namespace testing_analytics;

namespace {

TEST(OsVersionText, TableWithInjectedVersionNumbers) {
  const struct {
    OsVersion v;
    bool is64, r2;
    const char* text;
  } cases[] = {
      {{false, 0, 0, 0}, true, false, "XP-"},
      {{true, 0, 0, 0}, true, false, "XP-"},
      {{true, 4, 90, 0}, false, false, "XP-"},
      {{true, 5, 0, 2195}, false, false, "2K"},
      {{true, 5, 1, 2600}, false, false, "XP"},
      {{true, 5, 2, 3790}, true, false, "XP64"},
      {{true, 5, 2, 3790}, true, true, "XP64"},
      {{true, 5, 2, 3790}, false, true, "Server 2003 R2"},
      {{true, 5, 2, 3790}, false, false, "Server 2003"},
      {{true, 5, 3, 0}, false, false, "XP+"},
      {{true, 6, 0, 6002}, true, false, "Vista64"},
      {{true, 6, 0, 6002}, false, false, "Vista"},
      {{true, 6, 1, 7601}, true, false, "7"},
      {{true, 6, 1, 7601}, false, false, "7-32"},
      {{true, 6, 2, 9200}, true, false, "8"},
      {{true, 6, 2, 9200}, false, false, "8-32"},
      {{true, 6, 3, 9600}, false, false, "8.1"},
      {{true, 6, 4, 0}, true, false, "8.1+"},
      {{true, 10, 0, 19045}, true, false, "10"},
      {{true, 10, 0, 21999}, false, false, "10"},
      {{true, 10, 0, 22000}, true, false, "11"},
      {{true, 10, 0, 26100}, false, false, "11"},
      {{true, 10, 1, 0}, true, false, "11+"},
      {{true, 7, 0, 1}, true, false, "7.0.1"},
      {{true, 12, 1, 30000}, true, false, "12.1.30000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OsVersionText(c.v, c.is64, c.r2), c.text)
        << c.v.valid << " " << c.v.major << "." << c.v.minor << "." << c.v.build << " 64:" << c.is64;
  }
}

TEST(UserAgent, NoBlankAfterTheProductAndEndsWithSemicolonParenthesis) {
  EXPECT_EQ(UserAgentText("Windows", "10", true), "Mozilla/5.0(Windows 10; Win64;)");
  EXPECT_EQ(UserAgentText("Windows", "7", true), "Mozilla/5.0(Windows 7; Win64;)");
  EXPECT_EQ(UserAgentText("Windows", "7-32", false), "Mozilla/5.0(Windows 7-32; Win32;)");
}

TEST(MachineFacts, ThisSixtyFourBitProgramReportsASixtyFourBitSystem) {
  // IsWow64Process alone answers false for a 64-bit process.
  EXPECT_TRUE(Is64BitFlag());
  const OsVersion v = ReadOsVersion();
  ASSERT_TRUE(v.valid);
  EXPECT_GT(v.major, 4u);
  const std::string text = CurrentOsVersionText();
  EXPECT_EQ(text, OsVersionText(v, true, HasServerR2Flag()));
  EXPECT_EQ(text.find("-32"), std::string::npos);
  EXPECT_EQ(UserAgentText(kOsName, text, Is64BitFlag()), "Mozilla/5.0(Windows " + text + "; Win64;)");
  const ScreenSize screen = PrimaryScreenSize();
  EXPECT_EQ(screen.width, 1280);  // the test display's size
  EXPECT_EQ(screen.height, 1024);
}

TEST(Locale, OverrideWithUnderscoreElseTheUserDefault) {
  const struct {
    const char* override;
    const char* locale;
    const char* language;
    const char* country;
  } cases[] = {{"zh_CN", "zh_CN", "zh", "CN"}, {"pt_BR_x", "pt_BR_x", "pt", "BR_x"}, {"_", "_", "", ""}};
  for (const auto& c : cases) {
    const LocaleInfo l = CurrentLocale(c.override);
    EXPECT_EQ(l.locale, c.locale);
    EXPECT_EQ(l.language, c.language);
    EXPECT_EQ(l.country, c.country);
  }
  for (const char* noOverride : {"", "fr"}) {
    const LocaleInfo l = CurrentLocale(noOverride);
    EXPECT_FALSE(l.language.empty());
    EXPECT_FALSE(l.country.empty());
    EXPECT_EQ(l.locale, l.language + "_" + l.country);
    EXPECT_EQ(l.language.find('_'), std::string::npos);
  }
}

std::string ShortSpecialFolder(int csidl) {
  char path[MAX_PATH] = {}, shortPath[MAX_PATH] = {};
  EXPECT_TRUE(::SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE));
  return ::GetShortPathNameA(path, shortPath, MAX_PATH) ? shortPath : path;
}

TEST(Paths, SetIniBesideTheProgramNamesTheIdentityIni) {
  ScratchDir dir("paths");
  const std::string settings = dir.path() + "Set.ini";
  const OsVersion ten{true, 10, 0, 19045};
  const OsVersion sixZero{true, 6, 0, 6002};
  const std::string app = "lumavox.layouttest";
  const std::string local = ShortSpecialFolder(CSIDL_LOCAL_APPDATA) + "\\ZTLocal\\" + app + "\\";
  const std::string documents = ShortSpecialFolder(CSIDL_COMMON_DOCUMENTS) + "\\ZTLocal\\" + app + "\\";
  std::string configured = dir.path() + "sub/dir/my.ini";
  std::replace(configured.begin(), configured.end(), '\\', '/');
  const struct {
    const char* value;  // null: no settings file
    std::string iniValue;
    OsVersion version;
    std::string dataFolder, iniPath;
  } cases[] = {
      {"", configured, ten, dir.path() + "sub\\dir\\", dir.path() + "sub\\dir\\my.ini"},
      {"", "my.ini", ten, local, local + app + "_ZTSConfigure.ini"},                      // bare name
      {"", dir.path() + "only-folder\\", ten, local, local + app + "_ZTSConfigure.ini"},  // no file name
      {"", "rel\\my.ini", ten, local, local + app + "_ZTSConfigure.ini"},                 // relative
      {nullptr, "", ten, local, local + app + "_ZTSConfigure.ini"},
      {nullptr, "", sixZero, documents, documents + app + "_ZTSConfigure.ini"},  // before Windows 7
      {nullptr, "", OsVersion{}, documents, documents + app + "_ZTSConfigure.ini"},
  };
  for (const auto& c : cases) {
    ::DeleteFileA(settings.c_str());
    if (c.value) ::WritePrivateProfileStringA("Install", "ZTAnalyticsIni", c.iniValue.c_str(), settings.c_str());
    const AnalyticsPaths p = LocateAnalyticsFiles(settings, app, c.version);
    EXPECT_EQ(p.dataFolder, c.dataFolder) << c.iniValue;
    EXPECT_EQ(p.iniPath, c.iniPath) << c.iniValue;
    EXPECT_EQ(p.logPath, c.dataFolder + app + "_ZTSLog.txt");
    EXPECT_EQ(p.stagingPath, c.dataFolder + app + "_ZTSStaging.txt");
    EXPECT_TRUE(FileExists(p.dataFolder)) << p.dataFolder;
  }
  std::error_code ec;
  std::filesystem::remove_all(local, ec);
  std::filesystem::remove_all(documents, ec);
  for (const std::string& base : {local, documents}) {  // ZTLocal itself, when nothing else lives there
    std::filesystem::remove(std::filesystem::path(base).parent_path().parent_path(), ec);
  }
}

TEST(Identity, LoadedFromSectionBase) {
  ScratchDir dir("identity");
  const std::string ini = dir.path() + "id.ini";
  const std::string longValue(200, 'v');
  const struct {
    const char* content;
    Identity expected;
  } cases[] = {
      {"[Base]\r\nDistinctId=abc\r\nPrimaryDistinctId=prim\r\nUserId=u1\r\nUserVipLevel=7\r\nisLogined=OK\r\n"
       "URL=http://x/sa\r\n",
       {true, "u1", "abc", "prim", 7, "http://x/sa"}},
      {"[Base]\r\nDistinctId=abc\r\n", {false, "", "abc", "abc", 0, ""}},  // primary falls back to the id
      {"[Base]\r\nDistinctId=abc\r\nisLogined=ok\r\nUserVipLevel=lots\r\n", {false, "", "abc", "abc", 0, ""}},
      {"[Base]\r\nDistinctId=abc\r\nisLogined=NG\r\nUserId=u\r\n", {false, "u", "abc", "abc", 0, ""}},
  };
  for (const auto& c : cases) {
    WriteFile(ini, c.content);
    const Identity id = LoadIdentity(ini);
    EXPECT_EQ(id.isLogined, c.expected.isLogined) << c.content;
    EXPECT_EQ(id.userId, c.expected.userId) << c.content;
    EXPECT_EQ(id.distinctId, c.expected.distinctId) << c.content;
    EXPECT_EQ(id.primaryDistinctId, c.expected.primaryDistinctId) << c.content;
    EXPECT_EQ(id.vipLevel, c.expected.vipLevel) << c.content;
    EXPECT_EQ(id.url, c.expected.url) << c.content;
  }
  // Values are read into 128 bytes.
  WriteFile(ini, "[Base]\r\nDistinctId=" + longValue + "\r\n");
  EXPECT_EQ(LoadIdentity(ini).distinctId, longValue.substr(0, 127));
}

TEST(Identity, AMissingIniGetsANewIdSavedAtOnceAndSavingRoundTrips) {
  ScratchDir dir("identity-new");
  const std::string ini = dir.path() + "id.ini";
  const Identity fresh = LoadIdentity(ini);
  EXPECT_TRUE(
      std::regex_match(fresh.distinctId, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")))
      << fresh.distinctId;
  EXPECT_EQ(ReadFile(ini), "[Base]\r\nisLogined=NG\r\nUserId=\r\nDistinctId=" + fresh.distinctId +
                               "\r\nPrimaryDistinctId=\r\nUserVipLevel=0\r\nURL=\r\n");
  const Identity saved{true, "user", "dist", "prim", 3, "https://c/sa?project=pc"};
  SaveIdentity(ini, saved);
  const Identity back = LoadIdentity(ini);
  EXPECT_TRUE(back.isLogined);
  EXPECT_EQ(back.userId, "user");
  EXPECT_EQ(back.distinctId, "dist");
  EXPECT_EQ(back.primaryDistinctId, "prim");
  EXPECT_EQ(back.vipLevel, 3);
  EXPECT_EQ(back.url, "https://c/sa?project=pc");
}

TEST(Identity, NewIdsFromTheGuidWithFallback) {
  const GUID fixed = {0x0123ABCD, 0x0A0B, 0x0C0D, {1, 2, 3, 4, 5, 6, 0xAB, 0xFF}};
  const struct {
    int failures;  // answers before the system gives a GUID
    int expectedCalls;
    const char* pattern;
  } cases[] = {
      {0, 2, "0123ABCD-0A0B-0C0D-0102-030405 06ABFF"},  // the first answer is never used
      {10, 11, "0123ABCD-0A0B-0C0D-0102-030405 06ABFF"},
      {11, 11, "[0-9a-f]+-[0-9a-f]+-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]+"},
  };
  for (const auto& c : cases) {
    int calls = 0;
    const std::string id = NewDistinctId([&](GUID* g) {
      ++calls;
      if (calls <= c.failures) return E_FAIL;
      *g = fixed;
      return S_OK;
    });
    std::string pattern = c.pattern;
    pattern.erase(std::remove(pattern.begin(), pattern.end(), ' '), pattern.end());
    EXPECT_TRUE(std::regex_match(id, std::regex(pattern))) << id;
    EXPECT_EQ(calls, c.expectedCalls);
  }
  EXPECT_NE(NewDistinctId(), NewDistinctId());
}

}  // namespace
