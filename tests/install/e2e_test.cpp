// The whole job end to end: the real download server on loopback, the real
// downloaders, the NSIS demo package and its uninstaller, Wine's registry
// and files. Most cases drive the headless driver as a child program and
// read its event lines; the pipeline's own rules are checked in process.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <curl/curl.h>

#include "config/install_config.h"
#include "install/child_output_reader.h"
#include "install/download_installer.h"
#include "install/event_recorder.h"
#include "install/install_records.h"
#include "install/test_support.h"
#include "utils/handle.h"
#include "utils/process.h"
#include "utils/system.h"
#include "utils/text.h"

namespace {

using E = RecordedEvent;
using namespace std::chrono_literals;

class CurlEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { curl_global_init(CURL_GLOBAL_ALL); }
  void TearDown() override { curl_global_cleanup(); }
};
const auto* const kCurl = ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

std::wstring Port() {
  const char* port = std::getenv("LUMAVOX_HTTP_PORT");
  return Utils::NarrowToWide(port ? port : "0", 65001);
}

// The demo package through the server's redirect chain, its MD5 in the final
// URL; opts are further server options.
std::wstring PackageUrl(const std::wstring& id, const std::wstring& opts = L"") {
  return L"http://127.0.0.1:" + Port() + L"/dl/file=package,id=" + id + (opts.empty() ? L"" : L"," + opts) +
         L"/software/206";
}

size_t Append(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// The server's request log of one case, one request a line.
std::vector<std::string> RequestLog(const std::wstring& id) {
  std::string body;
  CURL* curl = curl_easy_init();
  const std::string url =
      "http://127.0.0.1:" + Utils::WideToNarrow(Port(), 65001) + "/_log?id=" + Utils::WideToNarrow(id, 65001);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  std::vector<std::string> lines;
  size_t begin = 0;
  for (size_t lf = body.find('\n'); lf != std::string::npos; lf = body.find('\n', begin)) {
    if (lf > begin) lines.push_back(body.substr(begin, lf - begin));
    begin = lf + 1;
  }
  return lines;
}

std::wstring Unescape(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'%' && i + 2 < s.size()) {
      out += static_cast<wchar_t>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

struct DriverRun {
  DWORD exitCode = 0;
  std::vector<std::vector<std::wstring>> records;  // fields of each output line
  std::vector<E> events;
  std::wstring output;

  // The second field of the first line of that kind, or "<none>".
  std::wstring Value(const std::wstring& kind) const {
    for (const auto& r : records)
      if (r.size() > 1 && r[0] == kind) return r[1];
    return L"<none>";
  }
  std::vector<int32_t> Codes() const {
    std::vector<int32_t> codes;
    for (const E& e : events) codes.push_back(e.code);
    return codes;
  }
};

std::wstring DriverPath() { return test::BuildPath("tools/install_driver/install_driver.exe"); }

DriverRun RunDriver(const std::wstring& args) {
  DriverRun run;
  Utils::Process driver;
  driver.Launch(L"\"" + DriverPath() + L"\" " + args);
  const int32_t utf8 = 65001;
  CChildOutputReader::Options options;
  options.idleWaitMs = 50;
  CChildOutputReader::Run(
      driver, utf8,
      [&](const std::wstring& chunk) {
        run.output += chunk;
        return 0;
      },
      options);
  ::WaitForSingleObject(driver.ProcessHandle(), INFINITE);
  run.exitCode = driver.ExitCode();
  size_t begin = 0;
  const std::wstring& out = run.output;
  while (begin < out.size()) {
    size_t lf = out.find(L'\n', begin);
    if (lf == std::wstring::npos) lf = out.size();
    std::vector<std::wstring> fields;
    size_t at = begin;
    for (size_t tab = out.find(L'\t', at); tab != std::wstring::npos && tab < lf; tab = out.find(L'\t', at)) {
      fields.push_back(Unescape(out.substr(at, tab - at)));
      at = tab + 1;
    }
    fields.push_back(Unescape(out.substr(at, lf - at)));
    if (fields[0] == L"event" && fields.size() >= 4)
      run.events.push_back({std::stoi(fields[1]), std::stod(fields[2]), fields[3]});
    run.records.push_back(fields);
    begin = lf + 1;
  }
  return run;
}

std::wstring Env(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  ::GetEnvironmentVariableW(name, value, MAX_PATH);
  return value;
}

std::wstring FirstLine(const std::wstring& text) { return text.substr(0, text.find(L'\n')); }

// A file opened without sharing, so nobody else can delete or read it.
Utils::UniqueFileHandle Lock(const std::wstring& path) {
  return Utils::UniqueFileHandle(
      ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WaitForFile(const std::wstring& path, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!test::Exists(path)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

// The package's own events, as the demo package writes them for folder F.
std::vector<E> PackageEvents(const std::wstring& folder) {
  return {{2002, 0.05, L""},
          {2002, 0.25, L""},
          {2002, 0.5, L""},
          {2002, 0.75, L""},
          {2002, 1, L""},
          {3000, 0, folder},
          {3001, 0, folder + L"\\lumavoxapp.exe"},
          {3002, 0, folder + L"\\uninst.ep"},
          {3003, 0, folder + L"\\uninst.ep"},
          {3005, 1, L""},
          {3007, 3000, L""},
          {3008, 4294967295.0, L""},
          {2003, 0, L""}};
}

// Checks the download phase (1001, 1002 ..., 1003) at events[from...] and
// returns the index after it.
size_t ExpectDownload(const std::vector<E>& events, size_t from) {
  EXPECT_LT(from, events.size());
  if (from >= events.size()) return from;
  EXPECT_EQ(events[from].code, 1001);
  size_t i = from + 1;
  while (i < events.size() && events[i].code == 1002) ++i;
  EXPECT_LT(i, events.size());
  if (i < events.size()) {
    EXPECT_EQ(events[i], (E{1003, 0, L"LibCurl"}));
  }
  return i + 1;
}

void ExpectInstall(const std::vector<E>& events, size_t from, const std::wstring& folder) {
  std::vector<E> expected = {{2001, 0, L""}, {2002, 0, L""}};
  const std::vector<E> package = PackageEvents(folder);
  expected.insert(expected.end(), package.begin(), package.end());
  const std::vector<E> actual(events.begin() + std::min(from, events.size()), events.end());
  EXPECT_EQ(actual, expected);
}

std::wstring DesktopShortcut() { return Env(L"USERPROFILE") + L"\\Desktop\\Lumavox.lnk"; }
std::wstring QuickLaunchShortcut() {
  return Env(L"APPDATA") + L"\\Microsoft\\Internet Explorer\\Quick Launch\\Lumavox.lnk";
}

std::wstring TempCopy() { return Utils::GetTempDir() + L"lumavoxapp_un_asa.exe"; }

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Utils::kInstallerRegistryKey);
    root_ = test::FreshFolder(L"e2e");
    folder_ = root_ + L"\\Lumavox Apps\\lumavoxapp";
    ::DeleteFileW(TempCopy().c_str());
    ::DeleteFileW((TempCopy() + L".cmdline").c_str());
    ::DeleteFileW(DesktopShortcut().c_str());
    ::DeleteFileW(QuickLaunchShortcut().c_str());
  }
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, Utils::kInstallerRegistryKey); }

  // A run of the driver into folder_ with the rights given explicitly.
  DriverRun Install(const std::wstring& id, const std::wstring& extra = L"") {
    return RunDriver(L"\"-downloadurl=" + PackageUrl(id) + L"\" \"--dir=" + folder_ +
                     L"\" --desktop=true --quicklaunch=false --user-admin=true --process-admin=false --timeout=120 " +
                     extra);
  }

  std::wstring root_, folder_;
};

TEST_F(EndToEnd, CleanMachineInstallsAndLeavesTheRecords) {
  const DriverRun run = Install(L"clean");
  ASSERT_EQ(run.exitCode, 0u) << Utils::WideToNarrow(run.output, 65001);
  EXPECT_EQ(run.Value(L"result"), L"success");
  EXPECT_EQ(run.Value(L"old-uninstaller"), L"");
  ExpectInstall(run.events, ExpectDownload(run.events, 0), folder_);

  // The product is there, the package is gone, and the package got the
  // composed command line.
  EXPECT_TRUE(test::Exists(folder_ + L"\\lumavoxapp.exe"));
  EXPECT_TRUE(test::Exists(folder_ + L"\\uninst.ep"));
  EXPECT_FALSE(test::Exists(folder_ + L"\\__Package_lumavoxapp.exe"));
  EXPECT_EQ(FirstLine(test::ReadUtf8(folder_ + L"\\__Package_lumavoxapp.exe.cmdline")),
            L"\"" + folder_ +
                L"\\__Package_lumavoxapp.exe\" /S -console=show -version=1.0.0 -adminact=true"
                L" -authorizationact=false -dsc=true -ssc=false -instdir=\"" +
                folder_ + L"\" /D=" + folder_);

  EXPECT_EQ(test::Reg(L"InstallPath"), folder_);
  EXPECT_EQ(test::Reg(L"UnInstallEp"), folder_ + L"\\uninst.ep");
  const std::wstring settings = folder_ + L"\\set.ini";
  EXPECT_EQ(test::Ini(settings, L"Install", L"APPStore"), L"install_driver.exe");
  EXPECT_EQ(test::Ini(settings, L"Install", L"AppName"), L"lumavoxapp");
  EXPECT_EQ(test::Ini(settings, L"Install", L"DeviceID").size(), 32u);
  const std::wstring analyticsIni = Env(L"APPDATA") + L"\\ZeltoData\\lumavoxapp\\ZTAnalytics.ini";
  EXPECT_EQ(test::Ini(settings, L"Install", L"ZTAnalyticsIni"), analyticsIni);
  EXPECT_EQ(test::Ini(analyticsIni, L"Init", L"UpdateTime").size(), 19u);

  // Asked for the desktop shortcut only; start-up style 1 starts the product.
  EXPECT_TRUE(test::Exists(DesktopShortcut()));
  EXPECT_FALSE(test::Exists(QuickLaunchShortcut()));
  EXPECT_EQ(run.Value(L"launch"), folder_ + L"\\lumavoxapp.exe");
  EXPECT_TRUE(WaitForFile(folder_ + L"\\launched.log", 20s)) << "the product was not started";
}

TEST_F(EndToEnd, ReinstallRemovesTheOldVersionFirst) {
  ASSERT_EQ(Install(L"first").exitCode, 0u);
  ASSERT_TRUE(WaitForFile(folder_ + L"\\launched.log", 20s));

  // The registry record names the uninstaller, as the window reads it.
  const DriverRun run = Install(L"second");
  ASSERT_EQ(run.exitCode, 0u) << Utils::WideToNarrow(run.output, 65001);
  EXPECT_EQ(run.Value(L"old-uninstaller"), folder_ + L"\\uninst.ep");
  const std::vector<E> removal = {{5002, 0, L""}, {5002, 0.1, L""}, {5002, 0.5, L""}, {5002, 1, L""}, {5003, 0, L""}};
  ASSERT_GE(run.events.size(), removal.size());
  EXPECT_EQ(std::vector<E>(run.events.begin(), run.events.begin() + removal.size()), removal);
  ExpectInstall(run.events, ExpectDownload(run.events, removal.size()), folder_);

  // The uninstaller ran from its copy in the private temporary folder, with
  // the installed folder last.
  const std::wstring copy = TempCopy();
  EXPECT_TRUE(test::Exists(copy));
  EXPECT_EQ(FirstLine(test::ReadUtf8(copy + L".cmdline")),
            L"\"" + copy + L"\" /S -adminact=true -authorizationact=false -console=show _?=" + folder_);
  EXPECT_TRUE(test::Exists(folder_ + L"\\lumavoxapp.exe"));
  EXPECT_FALSE(test::Exists(folder_ + L"\\__Package_lumavoxapp.exe"));
  EXPECT_EQ(test::Reg(L"UnInstallEp"), folder_ + L"\\uninst.ep");
}

TEST_F(EndToEnd, FailingRemovalNeverStartsADownload) {
  ASSERT_EQ(Install(L"base").exitCode, 0u);
  ASSERT_TRUE(WaitForFile(folder_ + L"\\launched.log", 20s));
  {
    // The product file cannot be deleted: the uninstaller reports an error.
    Utils::UniqueFileHandle lock = Lock(folder_ + L"\\lumavoxapp.exe");
    ASSERT_TRUE(lock);
    const DriverRun run = Install(L"locked-product");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(
        run.events,
        (std::vector<E>{{5002, 0, L""}, {5002, 0.1, L""}, {5005, 0, L"无法删除 " + folder_ + L"\\lumavoxapp.exe"}}));
    EXPECT_TRUE(RequestLog(L"locked-product").empty());
  }
  {
    // The record file cannot be copied. The copy of the previous attempt is
    // still in the temporary folder, and must not run in its place.
    ASSERT_TRUE(test::Exists(TempCopy()));
    Utils::UniqueFileHandle lock = Lock(folder_ + L"\\uninst.ep");
    ASSERT_TRUE(lock);
    const DriverRun run = Install(L"locked-record");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.events, (std::vector<E>{{5004, 1, L"可执行卸载文件不存在"}}));
    EXPECT_TRUE(RequestLog(L"locked-record").empty());
  }
  EXPECT_TRUE(test::Exists(folder_ + L"\\lumavoxapp.exe"));
}

TEST_F(EndToEnd, KeepsTheOldVersionWhenItsSettingsSaySo) {
  ASSERT_EQ(Install(L"keep-base").exitCode, 0u);
  ::WritePrivateProfileStringW(L"Uninstall", L"IsOverride", L"false", (folder_ + L"\\set.ini").c_str());
  const DriverRun run = Install(L"keep");
  ASSERT_EQ(run.exitCode, 0u) << Utils::WideToNarrow(run.output, 65001);
  EXPECT_EQ(run.Value(L"old-uninstaller"), L"");
  ExpectInstall(run.events, ExpectDownload(run.events, 0), folder_);
}

TEST_F(EndToEnd, PackageFailureIsReportedAndLeavesNoPackage) {
  const DriverRun run = Install(L"package-error", L"\"-instcmd=-result=error -errortext=\\\"磁盘空间不足\\\"\"");
  EXPECT_EQ(run.exitCode, 1u) << Utils::WideToNarrow(run.output, 65001);
  ASSERT_FALSE(run.events.empty());
  EXPECT_EQ(run.events.back(), (E{2004, 1000, L"磁盘空间不足"}));
  EXPECT_EQ(run.Value(L"result"), L"failure");
  EXPECT_FALSE(test::Exists(folder_ + L"\\__Package_lumavoxapp.exe"));
  EXPECT_EQ(test::Reg(L"InstallPath"), L"<missing>");
}

TEST_F(EndToEnd, DriverRefusesBadArgumentsBeforeStartingAnything) {
  const std::wstring url = L"\"-downloadurl=" + PackageUrl(L"bad-arguments") + L"\" ";
  const wchar_t* const cases[] = {
      L"--dir", L"--desktop=maybe", L"--timeout=soon", L"--colour=blue", L"stray", L"\"--dir=C:\\lumavox tests\\a<b\"",
  };
  std::vector<std::wstring> all(std::begin(cases), std::end(cases));
  all.push_back(L"--dir=C:\\" + std::wstring(300, L'd'));  // longer than a path can be
  for (const std::wstring& args : all) {
    const DriverRun run = RunDriver(url + args);
    EXPECT_EQ(run.exitCode, 2u) << Utils::WideToNarrow(args, 65001);
    EXPECT_EQ(run.records.empty() ? L"" : run.records.front()[0], L"error") << Utils::WideToNarrow(args, 65001);
    EXPECT_TRUE(run.events.empty());
  }
  EXPECT_TRUE(RequestLog(L"bad-arguments").empty());
}

// ---------------------------------------------------------------------------
// The pipeline in this process

class Pipeline : public EndToEnd {
 protected:
  void TearDown() override {
    g_InstallConfig.InstCmd.clear();
    EndToEnd::TearDown();
  }
};

TEST_F(Pipeline, MissingOldUninstallerStartsTheDownloadDirectly) {
  EventRecorder recorder;
  {
    CDownloadInstaller installer(recorder.Callback(), L"", L"", L"", true, true, true);
    installer.SetParams(PackageUrl(L"no-old", L"then=s404"), root_ + L"\\gone\\uninst.ep", folder_, true, true, false,
                        false);
    installer.Start();
    ASSERT_EQ(recorder.WaitForAny({1003, 1004}, 60s), 1004);
  }
  const std::vector<int32_t> codes = recorder.Codes();
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front(), 1001);
  EXPECT_EQ(codes.back(), 1004);
  EXPECT_FALSE(test::Exists(folder_ + L"\\__Package_lumavoxapp.exe"));
}

TEST_F(Pipeline, NoTemporaryFolderMeansNoRemovalAndNoDownload) {
  const std::wstring old = root_ + L"\\uninst.ep";
  ASSERT_TRUE(::CopyFileW(test::ChildPath().c_str(), old.c_str(), FALSE));
  InstallEnvironment env = InstallEnvironment::System();
  env.tempDir = [] { return std::wstring(); };
  EventRecorder recorder;
  {
    CDownloadInstaller installer(recorder.Callback(), L"", L"", L"", true, true, true, env);
    installer.SetParams(PackageUrl(L"no-temp"), old, folder_, true, true, false, false);
    installer.Start();
  }
  EXPECT_EQ(recorder.Events(), (std::vector<E>{{5004, 1, L"可执行卸载文件不存在"}}));
  EXPECT_TRUE(RequestLog(L"no-temp").empty());
}

TEST_F(Pipeline, OnlyTheFirstVerdictOfARemovalDecides) {
  const std::wstring old = root_ + L"\\uninst.ep";
  ASSERT_TRUE(::CopyFileW(test::ChildPath().c_str(), old.c_str(), FALSE));
  EventRecorder recorder;
  {
    test::ChildScript script(
        L"out:Error=in use\\n\nsleep:200\nout:State=Success\\n\nsleep:200\nout:State=Success\\n\n");
    CDownloadInstaller installer(recorder.Callback(), L"", L"", L"", true, true, true);
    installer.SetParams(PackageUrl(L"late-success"), old, folder_, true, true, false, false);
    installer.Start();
  }
  // The window went back at 5005; the later successes start nothing.
  EXPECT_EQ(recorder.Codes(), (std::vector<int32_t>{5002, 5005, 5003, 5003}));
  EXPECT_TRUE(RequestLog(L"late-success").empty());
}

TEST_F(Pipeline, DownloadStartsWhileASuccessfulUninstallerStillRuns) {
  const std::wstring old = root_ + L"\\uninst.ep";
  const std::wstring ended = root_ + L"\\uninstaller-ended.txt";
  ASSERT_TRUE(::CopyFileW(test::ChildPath().c_str(), old.c_str(), FALSE));
  EventRecorder recorder;
  bool uninstallerEndedAtDownload = true;
  recorder.SetHook([&](const E& e) {
    if (e.code == 1001) uninstallerEndedAtDownload = test::Exists(ended);
  });
  {
    test::ChildScript script(L"out:State=Success\\n\nsleep:2000\ncmdline:" + ended + L"\n");
    CDownloadInstaller installer(recorder.Callback(), L"", L"", L"", true, true, true);
    installer.SetParams(PackageUrl(L"early-success", L"then=s404"), old, folder_, true, true, false, false);
    installer.Start();
    ASSERT_EQ(recorder.WaitForAny({1003, 1004, 5004, 5005}, 60s), 1004);
  }
  EXPECT_FALSE(uninstallerEndedAtDownload);
  const std::vector<int32_t> codes = recorder.Codes();
  ASSERT_GE(codes.size(), 3u);
  EXPECT_EQ(std::vector<int32_t>(codes.begin(), codes.begin() + 3), (std::vector<int32_t>{5002, 5003, 1001}));
}

TEST_F(Pipeline, SuccessWhileThePackageStillRunsThenThePackageFileGoes) {
  g_InstallConfig.InstCmd = L"-linger=1500";
  EventRecorder recorder;
  bool packageEndedAtSuccess = true;
  const std::wstring record = folder_ + L"\\__Package_lumavoxapp.exe.cmdline";
  recorder.SetHook([&](const E& e) {
    if (e.code == 2003) packageEndedAtSuccess = test::ReadUtf8(record).find(L"finished=") != std::wstring::npos;
  });
  {
    CDownloadInstaller installer(recorder.Callback(), L"", L"", L"", true, true, true);
    installer.SetParams(PackageUrl(L"linger"), L"", folder_, false, false, false, false);
    installer.Start();
    ASSERT_EQ(recorder.WaitForAny({2003, 2004, 1004}, 120s), 2003);
    // Destroying the pipeline waits for the package to end.
  }
  EXPECT_FALSE(packageEndedAtSuccess);
  EXPECT_EQ(recorder.Events().back(), (E{2003, 0, L""}));
  EXPECT_FALSE(test::Exists(folder_ + L"\\__Package_lumavoxapp.exe"));
}

TEST_F(Pipeline, LaterAttemptsDeleteThePackageWhereItWasDownloaded) {
  // The downloader keeps the target of the first attempt; a second attempt
  // into another folder installs from there and must clean up there.
  const std::wstring first = root_ + L"\\first";
  const std::wstring second = root_ + L"\\second";
  EventRecorder recorder;
  CDownloadInstaller installer(recorder.Callback(), L"", L"", L"", true, true, true);

  g_InstallConfig.InstCmd = L"-result=fail";
  installer.SetParams(PackageUrl(L"two-folders"), L"", first, false, false, false, false);
  installer.Start();
  ASSERT_EQ(recorder.WaitForAny({2003, 2004, 1004}, 120s), 2004);
  // Deleted once the failed package has ended.
  const std::wstring leftover = first + L"\\__Package_lumavoxapp.exe";
  for (int i = 0; i < 200 && test::Exists(leftover); ++i) std::this_thread::sleep_for(50ms);
  ASSERT_FALSE(test::Exists(leftover));
  g_InstallConfig.InstCmd.clear();
  recorder.Clear();

  installer.SetParams(PackageUrl(L"two-folders"), L"", second, false, false, false, false);
  installer.Start();
  ASSERT_EQ(recorder.WaitForAny({2003, 2004, 1004}, 120s), 2003);
  EXPECT_EQ(installer.PackagePath(), second + L"\\__Package_lumavoxapp.exe");
  for (int i = 0; i < 200 && test::Exists(leftover); ++i) std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(test::Exists(leftover));
  EXPECT_TRUE(test::Exists(second + L"\\lumavoxapp.exe"));
}

}  // namespace
