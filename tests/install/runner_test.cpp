// The package runner and the uninstall runner with real child programs:
// their command lines, their reading loops and how they decide the outcome.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/install_config.h"
#include "install/event_recorder.h"
#include "install/install_event_message.h"
#include "install/package_installer.h"
#include "install/test_support.h"
#include "install/uninstaller.h"
#include "utils/text.h"

namespace {

using E = RecordedEvent;
using namespace std::chrono_literals;

const std::wstring kInstallFailed = L"安装包安装失败";
const std::wstring kUninstallFailed = L"安装包卸载失败";

std::wstring Script(std::initializer_list<std::wstring> lines) {
  std::wstring s;
  for (const std::wstring& l : lines) s += l + L"\n";
  return s;
}

// ---------------------------------------------------------------------------
// Command lines

struct PackageCommandCase {
  const char* name;
  std::wstring installDir;
  bool userIsAdmin, processIsAdmin, desktop, quickLaunch;
  std::wstring instCmd;
  std::wstring expected;
};

void PrintTo(const PackageCommandCase& c, std::ostream* os) { *os << c.name; }

class PackageCommandLine : public ::testing::TestWithParam<PackageCommandCase> {};

TEST_P(PackageCommandLine, IsComposedInOrder) {
  const PackageCommandCase& c = GetParam();
  g_InstallConfig.InstCmd = c.instCmd;
  CPackageInstaller runner([](int32_t, double, const std::wstring&) {},
                           L"\"" + c.installDir + L"\\__Package_lumavoxapp.exe\"", c.installDir);
  runner.SetOptions(c.installDir, c.desktop, c.quickLaunch, c.userIsAdmin, c.processIsAdmin);
  EXPECT_EQ(runner.BuildCommandLine(), c.expected);
  g_InstallConfig.InstCmd.clear();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageCommandLine,
    ::testing::Values(
        PackageCommandCase{"example", L"D:\\Apps\\lumavoxapp", true, true, true, true, L"",
                           L"\"D:\\Apps\\lumavoxapp\\__Package_lumavoxapp.exe\" /S -console=show -version=1.0.0"
                           L" -adminact=true -authorizationact=true -dsc=true -ssc=true"
                           L" -instdir=\"D:\\Apps\\lumavoxapp\" /D=D:\\Apps\\lumavoxapp"},
        PackageCommandCase{"extra_arguments_and_false_options", L"D:\\A", false, true, false, true, L"-foo",
                           L"\"D:\\A\\__Package_lumavoxapp.exe\" /S -console=show -version=1.0.0"
                           L" -adminact=false -authorizationact=true -dsc=false -ssc=true -foo"
                           L" -instdir=\"D:\\A\" /D=D:\\A"},
        PackageCommandCase{"no_folder", L"", true, false, true, false, L"",
                           L"\"\\__Package_lumavoxapp.exe\" /S -console=show -version=1.0.0"
                           L" -adminact=true -authorizationact=false -dsc=true -ssc=false"},
        PackageCommandCase{
            "folder_with_blanks", L"C:\\Program Files (x86)\\lumavoxapp", false, false, true, true, L"",
            L"\"C:\\Program Files (x86)\\lumavoxapp\\__Package_lumavoxapp.exe\" /S -console=show"
            L" -version=1.0.0 -adminact=false -authorizationact=false -dsc=true -ssc=true"
            L" -instdir=\"C:\\Program Files (x86)\\lumavoxapp\" /D=C:\\Program Files (x86)\\lumavoxapp"}),
    [](const ::testing::TestParamInfo<PackageCommandCase>& info) { return std::string(info.param.name); });

InstallEnvironment Rights(bool userIsAdmin, bool processIsAdmin) {
  InstallEnvironment env = InstallEnvironment::System();
  env.userIsAdmin = [=] { return userIsAdmin; };
  env.processIsAdmin = [=] { return processIsAdmin; };
  return env;
}

TEST(UninstallCommandLine, QuotesTheProgramAndEndsWithTheUnquotedFolder) {
  struct Case {
    bool user, process;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {true, true,
       L"\"C:\\Users\\J Doe\\Temp\\lumavoxapp_un_asa.exe\" /S -adminact=true -authorizationact=true -console=show"
       L" _?=D:\\My Apps\\X"},
      {false, true,
       L"\"C:\\Users\\J Doe\\Temp\\lumavoxapp_un_asa.exe\" /S -adminact=false -authorizationact=true -console=show"
       L" _?=D:\\My Apps\\X"},
      {true, false,
       L"\"C:\\Users\\J Doe\\Temp\\lumavoxapp_un_asa.exe\" /S -adminact=true -authorizationact=false -console=show"
       L" _?=D:\\My Apps\\X"},
  };
  for (const Case& c : cases) {
    CUnInstaller runner([](int32_t, double, const std::wstring&) {}, L"C:\\Users\\J Doe\\Temp\\lumavoxapp_un_asa.exe",
                        L"D:\\My Apps\\X", Rights(c.user, c.process));
    EXPECT_EQ(runner.BuildCommandLine(), c.expected);
  }
}

// ---------------------------------------------------------------------------
// The package runner with the test child as package

// Runs the package runner once with the script and waits for its run to end.
class PackageRun {
 public:
  explicit PackageRun(std::wstring packageArg = L"\"" + test::ChildPath() + L"\"", std::wstring installDir = L"")
      : runner_(recorder_.Callback(), std::move(packageArg), installDir) {
    runner_.SetOptions(installDir, true, true, false, false);
  }

  void Start() {
    runner_.Start([this] {
      std::lock_guard<std::mutex> lock(mutex_);
      ++finished_;
      done_.notify_all();
    });
  }

  void Run(const std::wstring& script) {
    const int before = Finished();
    test::ChildScript env(script);
    Start();
    ASSERT_TRUE(WaitFinished(before + 1, 60s)) << "the run did not end";
  }

  bool WaitFinished(int count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, timeout, [&] { return finished_ >= count; });
  }
  int Finished() {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
  }

  EventRecorder& Recorder() { return recorder_; }
  CPackageInstaller& Runner() { return runner_; }

 private:
  EventRecorder recorder_;
  std::mutex mutex_;
  std::condition_variable done_;
  int finished_ = 0;
  CPackageInstaller runner_;
};

struct RunCase {
  const char* name;
  std::wstring script;
  std::vector<E> events;  // after 2001 and 2002 (0)
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

std::vector<E> Prefixed(const std::vector<E>& tail, std::initializer_list<E> head) {
  std::vector<E> all(head);
  all.insert(all.end(), tail.begin(), tail.end());
  return all;
}

class PackageRunTable : public ::testing::TestWithParam<RunCase> {};

TEST_P(PackageRunTable, RaisesTheChildsEventsAndOneOutcome) {
  const RunCase& c = GetParam();
  PackageRun run;
  run.Run(c.script);
  EXPECT_EQ(run.Recorder().Events(), Prefixed(c.events, {{2001, 0, L""}, {2002, 0, L""}}));
}

const std::string kUtf8Hello = "\xe4\xbd\xa0\xe5\xa5\xbd";  // 你好

INSTANTIATE_TEST_SUITE_P(
    Children, PackageRunTable,
    ::testing::Values(
        RunCase{"progress_then_exit_0",
                Script({L"out:Progress=0.5\\n", L"sleep:150", L"out:Progress=0.9\\n"}),
                {{2002, 0.5, L""}, {2002, 0.9, L""}, {2003, 1, L""}}},
        // Written while the runner waits between polls, just before the end.
        RunCase{"fail_as_last_act",
                Script({L"out:Progress=0.1\\n", L"sleep:30", L"out:State=Fail\\n"}),
                {{2002, 0.1, L""}, {2004, 0, kInstallFailed}}},
        RunCase{"line_split_between_reads",
                Script({L"out:Error=Disk", L"sleep:300", L"out: full\\n", L"sleep:300"}),
                {{2004, 1000, L"Disk full"}}},
        RunCase{"multi_byte_character_split_between_reads",
                Script({L"out:Encode=UTF8\\n", L"sleep:300", L"out:Message=\\xe4\\xbd", L"sleep:300", L"out:\\xa0\\n"}),
                {{3009, 0, L"你"}, {2003, 1, L""}}},
        RunCase{"unfinished_last_line",
                Script({L"out:Progress=0.5\\nState=Fail"}),
                {{2002, 0.5, L""}, {2004, 0, kInstallFailed}}},
        RunCase{"no_verdict_failure_exit_code",
                Script({L"out:Progress=0.5\\n", L"exit:3"}),
                {{2002, 0.5, L""}, {2004, 3, kInstallFailed}}},
        RunCase{"no_output_exit_0", Script({L"sleep:50"}), {{2003, 1, L""}}},
        RunCase{"stops_reading_after_verdict",
                Script({L"out:State=Success\\n", L"sleep:400", L"out:Message=late\\n", L"exit:5"}),
                {{2003, 0, L""}}},
        // Nobody parses the lines after the verdict, yet the package must
        // not block on a full pipe while the runner waits for it.
        RunCase{"writes_on_after_verdict",
                Script({L"out:State=Success\\n", L"fill:1000000", L"out:Message=late\\n"}),
                {{2003, 0, L""}}},
        RunCase{"standard_error_flood", Script({L"err:400000", L"out:State=Success\\n"}), {{2003, 0, L""}}},
        RunCase{
            "encode_applies_from_the_next_chunk",
            Script({L"out:Encode=UTF8\\nMessage=你好\\n", L"sleep:400", L"out:Message=你好\\n"}),
            {{3009, 0, Utils::NarrowToWide("Message=" + kUtf8Hello, 0).substr(8)}, {3009, 0, L"你好"}, {2003, 1, L""}}},
        RunCase{"code_page_936",
                Script({L"out:Encode=936\\n", L"sleep:400", L"cp:936", L"out:Message=你好\\n"}),
                {{3009, 0, L"你好"}, {2003, 1, L""}}},
        // A code page the system lacks must not swallow the verdict.
        RunCase{"unknown_code_page",
                Script({L"out:Encode=99999\\n", L"sleep:400", L"out:State=Fail\\n"}),
                {{2004, 0, kInstallFailed}}}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(PackageRunner, RaisesSuccessAtTheVerdictAndWaitsForThePackageToEnd) {
  const std::wstring folder = test::FreshFolder(L"verdict_while_running");
  const std::wstring marker = folder + L"\\ended.txt";
  PackageRun run;
  bool markerAtVerdict = true;
  run.Recorder().SetHook([&](const E& e) {
    if (e.code == 2003) markerAtVerdict = test::Exists(marker);
  });
  run.Run(Script({L"out:State=Success\\n", L"sleep:1500", L"cmdline:" + marker}));
  EXPECT_FALSE(markerAtVerdict) << "the verdict came only after the package ended";
  EXPECT_TRUE(test::Exists(marker)) << "the run ended before the package";
  EXPECT_EQ(run.Recorder().Codes(), (std::vector<int32_t>{2001, 2002, 2003}));
}

TEST(PackageRunner, DoesNotWaitForAProgramThatInheritedThePipe) {
  PackageRun run;
  {
    test::ChildScript env(Script({L"out:Progress=0.5\\n", L"grandchild:60000", L"out:State=Fail"}));
    run.Start();
    // The grandchild keeps the pipe open for a minute; the run must end
    // with its parent.
    ASSERT_TRUE(run.WaitFinished(1, 30s)) << "the runner waits for the end of the pipe";
  }
  EXPECT_EQ(run.Recorder().Events(),
            (std::vector<E>{{2001, 0, L""}, {2002, 0, L""}, {2002, 0.5, L""}, {2004, 0, kInstallFailed}}));
}

TEST(PackageRunner, KeepsTheAnnouncedCodePageForTheNextRun) {
  PackageRun run;
  run.Run(Script({L"out:Encode=UTF8\\n"}));
  EXPECT_EQ(run.Runner().CodePage(), 65001);
  run.Recorder().Clear();
  run.Run(Script({L"out:Message=你好\\n"}));
  EXPECT_EQ(run.Recorder().Events(),
            (std::vector<E>{{2001, 0, L""}, {2002, 0, L""}, {3009, 0, L"你好"}, {2003, 1, L""}}));
}

TEST(PackageRunner, ThePackageReceivesTheComposedCommandLine) {
  const std::wstring folder = test::FreshFolder(L"package command line");
  PackageRun run(L"\"" + test::ChildPath() + L"\"", folder + L"\\my app");
  run.Run(Script({L"cmdline:" + folder + L"\\received.txt"}));
  const std::wstring received = test::ReadUtf8(folder + L"\\received.txt");
  EXPECT_EQ(received, run.Runner().CommandLine() + L"\n" + test::ChildPath());
  EXPECT_NE(received.find(L" /D=" + folder + L"\\my app\n"), std::wstring::npos);
}

TEST(PackageRunner, LaunchFailuresRaiseFailureWithValue2) {
  const std::wstring folder = test::FreshFolder(L"launch failures");
  const std::wstring marker = folder + L"\\ran.txt";
  {
    PackageRun run(L"\"" + folder + L"\\missing.exe\"");
    run.Run(L"");
    EXPECT_EQ(run.Recorder().Events(), (std::vector<E>{{2001, 0, L""}, {2002, 0, L""}, {2004, 2, L""}}));
  }
  {
    // Too long for the process runner: refused, never run cut short.
    g_InstallConfig.InstCmd = L"-x=" + std::wstring(1100, L'a');
    PackageRun run;
    run.Run(Script({L"cmdline:" + marker}));
    g_InstallConfig.InstCmd.clear();
    EXPECT_GT(run.Runner().CommandLine().size(), 1023u);
    EXPECT_EQ(run.Recorder().Events(), (std::vector<E>{{2001, 0, L""}, {2002, 0, L""}, {2004, 2, L""}}));
    EXPECT_FALSE(test::Exists(marker));
  }
}

// ---------------------------------------------------------------------------
// The uninstall runner with the test child as uninstaller

std::vector<E> RunUninstaller(const std::wstring& exePath, const std::wstring& oldDir, const std::wstring& script) {
  EventRecorder recorder;
  {
    test::ChildScript env(script);
    CUnInstaller runner(recorder.Callback(), exePath, oldDir, Rights(true, true));
    runner.Start();
    // The destructor waits for the worker.
    recorder.WaitFor(5003, 1ms);
  }
  return recorder.Events();
}

class UninstallRunTable : public ::testing::TestWithParam<RunCase> {};

TEST_P(UninstallRunTable, RaisesTheChildsEventsAndOneOutcome) {
  const RunCase& c = GetParam();
  EXPECT_EQ(RunUninstaller(test::ChildPath(), L"D:\\P", c.script), Prefixed(c.events, {{5002, 0, L""}}));
}

INSTANTIATE_TEST_SUITE_P(
    Children, UninstallRunTable,
    ::testing::Values(
        RunCase{"reads_on_after_success",
                Script({L"out:Progress=0.5\\n", L"out:State=Success\\n", L"sleep:200", L"out:Progress=1\\n"}),
                {{5002, 0.5, L""}, {5003, 0, L""}, {5002, 1, L""}}},
        RunCase{"error_then_progress",
                Script({L"out:Error=file in use\\n", L"sleep:100", L"out:Progress=1\\n"}),
                {{5005, 0, L"file in use"}, {5002, 1, L""}}},
        RunCase{"no_verdict_exit_0", Script({L"out:Progress=0.5\\n"}), {{5002, 0.5, L""}, {5003, 1, L""}}},
        RunCase{"no_verdict_failure_exit_code",
                Script({L"out:Progress=0.5\\n", L"exit:4"}),
                {{5002, 0.5, L""}, {5005, 0, kUninstallFailed}}},
        RunCase{"fail_as_last_act",
                Script({L"out:Progress=0.2\\n", L"sleep:30", L"out:State=Fail"}),
                {{5002, 0.2, L""}, {5005, 0, kUninstallFailed}}},
        RunCase{"line_split_between_reads",
                Script({L"out:Error=Disk", L"sleep:200", L"out: full\\n"}),
                {{5005, 0, L"Disk full"}}},
        RunCase{"utf8_after_encode",
                Script({L"out:Encode=UTF8\\n", L"sleep:200", L"out:Error=文件被占用\\n"}),
                {{5005, 0, L"文件被占用"}}}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(UninstallRunner, MissingCopyAndLaunchFailures) {
  const std::wstring folder = test::FreshFolder(L"uninstall failures");
  EXPECT_EQ(RunUninstaller(folder + L"\\lumavoxapp_un_asa.exe", L"D:\\P", L""),
            (std::vector<E>{{5004, 1, L"可执行卸载文件不存在"}}));
  EXPECT_EQ(RunUninstaller(L"", L"D:\\P", L""), (std::vector<E>{{5004, 1, L"可执行卸载文件不存在"}}));
  // A folder too long for the process runner: refused, never run cut short.
  const std::wstring marker = folder + L"\\ran.txt";
  EXPECT_EQ(RunUninstaller(test::ChildPath(), L"D:\\" + std::wstring(1100, L'p'), Script({L"cmdline:" + marker})),
            (std::vector<E>{{5002, 0, L""}, {5004, 2, L""}}));
  EXPECT_FALSE(test::Exists(marker));
}

TEST(UninstallRunner, RunsTheCopyItWasGivenEvenWithBlanksInItsPath) {
  // Unquoted, "<root>\lv test\my temp\lumavoxapp_un_asa.exe" would start
  // "<root>\lv test\my.exe" instead.
  const std::wstring root = test::FreshFolder(L"quoted path");
  const std::wstring folder = root + L"\\lv test\\my temp";
  ::CreateDirectoryW((root + L"\\lv test").c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring copy = folder + L"\\lumavoxapp_un_asa.exe";
  ASSERT_TRUE(::CopyFileW(test::ChildPath().c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileW(test::ChildPath().c_str(), (root + L"\\lv test\\my.exe").c_str(), FALSE));

  const std::wstring received = root + L"\\received.txt";
  EXPECT_EQ(RunUninstaller(copy, L"D:\\My Apps\\X", Script({L"cmdline:" + received})),
            (std::vector<E>{{5002, 0, L""}, {5003, 1, L""}}));
  EXPECT_EQ(test::ReadUtf8(received), L"\"" + copy +
                                          L"\" /S -adminact=true -authorizationact=true -console=show"
                                          L" _?=D:\\My Apps\\X\n" +
                                          copy);
}

// ---------------------------------------------------------------------------
// The posted event

TEST(InstallEventMessage, ReachesTheWindowInOrderAndIsOwnedByIt) {
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  const InstallEventCallback callback = MakePostingCallback(window);
  std::thread worker([&] {
    callback(1001, 1.0, L"");
    callback(2004, 1000, L"磁盘已满");
  });
  worker.join();

  std::vector<E> received;
  MSG msg;
  while (::PeekMessageW(&msg, window, WM_INSTALL_EVENT, WM_INSTALL_EVENT, PM_REMOVE)) {
    EXPECT_EQ(msg.message, 2024u);
    EXPECT_EQ(msg.wParam, 0u);
    std::unique_ptr<InstallEvent> event(reinterpret_cast<InstallEvent*>(msg.lParam));
    received.push_back({event->code, event->value, event->text});
  }
  EXPECT_EQ(received, (std::vector<E>{{1001, 1.0, L""}, {2004, 1000, L"磁盘已满"}}));

  ::DestroyWindow(window);
  EXPECT_FALSE(PostInstallEvent(window, 2003, 0, L""));
}

}  // namespace
