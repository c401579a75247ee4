// Install records against Wine's real registry and real INI files, with the
// machine's answers (rights, folders, clock, executable) given by the test.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "install/install_records.h"
#include "install/test_support.h"
#include "utils/system.h"

namespace {

void Touch(const std::wstring& path) { test::WriteBytes(path, "x"); }

class Records : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Utils::kInstallerRegistryKey);
    root_ = test::FreshFolder(L"records");
    appData_ = root_ + L"\\AppData\\Roaming";
    programFilesX86_ = root_ + L"\\Program Files (x86)";
    programFiles_ = root_ + L"\\Program Files";
    documents_ = root_ + L"\\Public\\Documents";
  }
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, Utils::kInstallerRegistryKey); }

  InstallEnvironment Env() {
    InstallEnvironment env;
    env.userIsAdmin = [this] { return userIsAdmin_; };
    env.processIsAdmin = [this] { return processIsAdmin_; };
    env.environmentVariable = [this](const wchar_t* name) {
      return std::wstring(name) == L"APPDATA" ? appData_ : std::wstring();
    };
    env.specialFolder = [this](int csidl) {
      if (csidl == CSIDL_PROGRAM_FILESX86) return programFilesX86_;
      if (csidl == CSIDL_PROGRAM_FILES) return programFiles_;
      if (csidl == CSIDL_COMMON_DOCUMENTS) return documents_;
      return std::wstring();
    };
    env.executablePath = [] { return std::wstring(L"C:\\Downloads\\Lumavox_Setup_1.7.9.exe"); };
    env.localTime = [] {
      SYSTEMTIME t{};
      t.wYear = 2021, t.wMonth = 3, t.wDay = 4, t.wHour = 5, t.wMinute = 6, t.wSecond = 7;
      return t;
    };
    env.tempDir = [] { return std::wstring(); };
    env.shellOpen = [this](const std::wstring& target, int show) { opened_.emplace_back(target, show); };
    return env;
  }

  std::wstring root_, appData_, programFilesX86_, programFiles_, documents_;
  bool userIsAdmin_ = false;
  bool processIsAdmin_ = false;
  std::vector<std::pair<std::wstring, int>> opened_;
};

TEST_F(Records, ReadExistingNamesTheRecordOrItsDefault) {
  InstallRecords records(Env());
  InstallRecords::Existing none = records.ReadExisting();
  EXPECT_EQ(none.installDir, L"");
  EXPECT_EQ(none.uninstallerPath, L"");

  Utils::WriteRegString(L"InstallPath", L"D:\\P");
  EXPECT_EQ(records.ReadExisting().uninstallerPath, L"D:\\P\\uninst.ep");
  Utils::WriteRegString(L"UnInstallEp", L"");
  EXPECT_EQ(records.ReadExisting().uninstallerPath, L"D:\\P\\uninst.ep");
  Utils::WriteRegString(L"UnInstallEp", L"E:\\Q\\uninst.ep");
  EXPECT_EQ(records.ReadExisting().uninstallerPath, L"E:\\Q\\uninst.ep");

  // A value of another type is no record.
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Utils::kInstallerRegistryKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  const DWORD number = 7;
  ::RegSetValueExW(key, L"InstallPath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  ::RegCloseKey(key);
  EXPECT_EQ(records.ReadExisting().installDir, L"");
}

TEST_F(Records, DefaultInstallDirFollowsRightsAndFolders) {
  struct Case {
    const char* name;
    bool user, process, appData, x86, programFiles;
    std::wstring expected;
  };
  const Case cases[] = {
      {"admin_elevated", true, true, true, true, true, appData_ + L"\\sorvane\\lumavoxapp"},
      {"admin_not_elevated", true, false, true, true, true, programFilesX86_ + L"\\lumavoxapp"},
      {"elevated_not_admin", false, true, true, true, true, programFilesX86_ + L"\\lumavoxapp"},
      {"admin_elevated_no_appdata", true, true, false, true, true, programFilesX86_ + L"\\lumavoxapp"},
      {"no_x86_folder", false, false, true, false, true, programFiles_ + L"\\lumavoxapp"},
      {"no_program_files", false, false, true, false, false, L"lumavoxapp"},
  };
  const std::wstring appData = appData_, x86 = programFilesX86_, pf = programFiles_;
  for (const Case& c : cases) {
    userIsAdmin_ = c.user;
    processIsAdmin_ = c.process;
    appData_ = c.appData ? appData : L"";
    programFilesX86_ = c.x86 ? x86 : L"";
    programFiles_ = c.programFiles ? pf : L"";
    InstallRecords records(Env());
    const InstallRecords::DefaultDir d = records.DefaultInstallDir(records.ReadExisting());
    EXPECT_EQ(d.folder, c.expected) << c.name;
    EXPECT_EQ(d.userIsAdmin, c.user) << c.name;
    EXPECT_EQ(d.processIsAdmin, c.process) << c.name;
  }
}

TEST_F(Records, DefaultInstallDirReinstallsInPlaceOnlyWhenTheRecordFileExists) {
  const std::wstring installed = root_ + L"\\Old Place";
  ::CreateDirectoryW(installed.c_str(), nullptr);
  Utils::WriteRegString(L"InstallPath", installed);
  InstallRecords records(Env());

  InstallRecords::Existing existing = records.ReadExisting();
  EXPECT_EQ(records.DefaultInstallDir(existing).folder, programFilesX86_ + L"\\lumavoxapp");
  EXPECT_EQ(existing.uninstallerPath, installed + L"\\uninst.ep");  // still passed on

  Touch(installed + L"\\uninst.ep");
  EXPECT_EQ(records.DefaultInstallDir(records.ReadExisting()).folder, installed);
}

TEST_F(Records, CustomInstallDirAppendsTheProductFolderUnlessItIsTheDefault) {
  InstallRecords records(Env());
  const InstallRecords::Existing none;
  const std::wstring def = programFilesX86_ + L"\\lumavoxapp";
  EXPECT_EQ(records.CustomInstallDir(L"D:\\Tools", none), L"D:\\Tools\\lumavoxapp");
  EXPECT_EQ(records.CustomInstallDir(L"D:\\", none), L"D:\\lumavoxapp");
  EXPECT_EQ(records.CustomInstallDir(def, none), def);
  std::wstring upper = def + L"\\";
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  EXPECT_EQ(records.CustomInstallDir(upper, none), def);
  EXPECT_TRUE(records.IsDefaultInstallDir(upper, none));
  EXPECT_FALSE(records.IsDefaultInstallDir(programFilesX86_, none));
}

TEST_F(Records, KeepsOldVersionOnlyForTheInstalledFolderThatSaysFalse) {
  const std::wstring installed = root_ + L"\\installed";
  const std::wstring other = root_ + L"\\other";
  ::CreateDirectoryW(installed.c_str(), nullptr);
  ::CreateDirectoryW(other.c_str(), nullptr);
  InstallRecords records(Env());
  struct Case {
    const char* name;
    const wchar_t* isOverride;  // null: no key
    std::wstring target, installedDir;
    bool keeps;
  };
  const Case cases[] = {
      {"false", L"false", installed, installed, true},
      {"false_other_spelling", L"False", installed, installed, false},
      {"missing", nullptr, installed, installed, false},
      {"true", L"true", installed, installed, false},
      {"other_folder", L"false", other, installed, false},
      {"no_installed_folder", L"false", installed, L"", false},
      {"same_folder_other_spelling", L"false", installed + L"\\", installed, true},
  };
  for (const Case& c : cases) {
    for (const std::wstring& folder : {installed, other}) {
      ::DeleteFileW(InstallRecords::SettingsFile(folder).c_str());
      if (c.isOverride)
        ::WritePrivateProfileStringW(L"Uninstall", L"IsOverride", c.isOverride,
                                     InstallRecords::SettingsFile(folder).c_str());
    }
    EXPECT_EQ(records.KeepsOldVersion(c.target, c.installedDir), c.keeps) << c.name;
  }
}

TEST_F(Records, WriteRegistryNamesOnlyAnUninstallerRecordThatExists) {
  const std::wstring installed = root_ + L"\\installed";
  ::CreateDirectoryW(installed.c_str(), nullptr);
  InstallRecords records(Env());

  Utils::WriteRegString(L"UnInstallEp", L"C:\\old\\uninst.ep");
  records.WriteRegistry(installed, L"");
  EXPECT_EQ(test::Reg(L"InstallPath"), installed);
  EXPECT_EQ(test::Reg(L"UnInstallEp"), L"C:\\old\\uninst.ep");

  records.WriteRegistry(installed, installed + L"\\reported.ep");  // reported but not there
  EXPECT_EQ(test::Reg(L"UnInstallEp"), L"C:\\old\\uninst.ep");

  Touch(installed + L"\\uninst.ep");
  records.WriteRegistry(installed, L"");
  EXPECT_EQ(test::Reg(L"UnInstallEp"), installed + L"\\uninst.ep");

  Touch(installed + L"\\reported.ep");
  records.WriteRegistry(installed, installed + L"\\reported.ep");
  EXPECT_EQ(test::Reg(L"UnInstallEp"), installed + L"\\reported.ep");

  records.WriteRegistry(L"", L"");
  EXPECT_EQ(test::Reg(L"InstallPath"), L"");
}

TEST_F(Records, WriteSettingsWritesSettingsAndSeedsTheAnalyticsIni) {
  const std::wstring installed = root_ + L"\\installed";
  ::CreateDirectoryW(installed.c_str(), nullptr);
  InstallRecords records(Env());
  const std::wstring settings = installed + L"\\set.ini";
  const std::wstring analyticsIni = appData_ + L"\\ZeltoData\\lumavoxapp\\ZTAnalytics.ini";

  records.WriteSettings(installed);
  EXPECT_EQ(test::Ini(settings, L"Install", L"APPStore"), L"Lumavox_Setup_1.7.9.exe");
  EXPECT_EQ(test::Ini(settings, L"Install", L"AppName"), L"lumavoxapp");
  const std::wstring first = test::Ini(settings, L"Install", L"DeviceID");
  EXPECT_EQ(first.size(), 32u);
  EXPECT_EQ(first.find_first_not_of(L"0123456789ABCDEFabcdef"), std::wstring::npos);
  EXPECT_EQ(test::Ini(settings, L"Install", L"ZTAnalyticsIni"), analyticsIni);
  EXPECT_EQ(test::Ini(analyticsIni, L"Init", L"UpdateTime"), L"2021-03-04 05:06:07");

  records.WriteSettings(installed);
  const std::wstring second = test::Ini(settings, L"Install", L"DeviceID");
  EXPECT_EQ(second.size(), 32u);
  EXPECT_NE(second, first);
}

TEST_F(Records, AnalyticsFolderFallsBackToSharedDocumentsAndMayBeImpossible) {
  const std::wstring installed = root_ + L"\\installed";
  ::CreateDirectoryW(installed.c_str(), nullptr);
  const std::wstring settings = installed + L"\\set.ini";

  appData_.clear();
  InstallRecords records(Env());
  EXPECT_EQ(records.AnalyticsDataDir(), documents_ + L"\\ZeltoData\\lumavoxapp");

  // The data folder cannot be made under a file: the three [Install] values
  // are still written, the analytics path is not.
  Touch(root_ + L"\\blocker");
  appData_ = root_ + L"\\blocker";
  InstallRecords blocked(Env());
  blocked.WriteSettings(installed);
  EXPECT_EQ(test::Ini(settings, L"Install", L"AppName"), L"lumavoxapp");
  EXPECT_EQ(test::Ini(settings, L"Install", L"DeviceID").size(), 32u);
  EXPECT_EQ(test::Ini(settings, L"Install", L"ZTAnalyticsIni"), L"<missing>");
}

TEST_F(Records, LaunchProductOpensALongEnoughUrlAndAnExistingProduct) {
  const std::wstring exe = root_ + L"\\lumavoxapp.exe";
  InstallRecords records(Env());

  records.LaunchProduct(L"http:", exe, nullptr);
  EXPECT_TRUE(opened_.empty());

  Touch(exe);
  records.LaunchProduct(L"http:/", exe, nullptr);
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_EQ(opened_[0], std::make_pair(std::wstring(L"http:/"), SW_SHOWMAXIMIZED));
  EXPECT_EQ(opened_[1], std::make_pair(exe, SW_SHOWNORMAL));
}

}  // namespace
