#include "install/package_installer.h"

#include "config/install_config.h"
#include "install/child_output_reader.h"
#include "install/protocol_values.h"
#include "utils/log.h"
#include "utils/process.h"
#include "utils/text.h"
#include "utils/thread.h"

using namespace InstallEventCode;

namespace {

constexpr int kVerdictSuccess = 1;
constexpr int kVerdictFailure = 1000;
const wchar_t kInstallFailedText[] = L"安装包安装失败";

const wchar_t* Bool(bool value) { return value ? L"true" : L"false"; }

}  // namespace

CPackageInstaller::CPackageInstaller(InstallEventCallback callback, std::wstring packageArg, std::wstring installDir)
    : callback_(std::move(callback)), packageArg_(std::move(packageArg)), installDir_(std::move(installDir)) {}

CPackageInstaller::~CPackageInstaller() { thread_.reset(); }

void CPackageInstaller::SetOptions(const std::wstring& installDir, bool desktopShortcut, bool quickLaunchShortcut,
                                   bool userIsAdmin, bool processIsAdmin) {
  installDir_ = installDir;
  desktopShortcut_ = desktopShortcut;
  quickLaunchShortcut_ = quickLaunchShortcut;
  userIsAdmin_ = userIsAdmin;
  processIsAdmin_ = processIsAdmin;
}

std::wstring CPackageInstaller::BuildCommandLine() const {
  std::wstring cmd = packageArg_;
  cmd += L" /S -console=show -version=1.0.0";
  cmd += L" -adminact=";
  cmd += Bool(userIsAdmin_);
  cmd += L" -authorizationact=";
  cmd += Bool(processIsAdmin_);
  cmd += L" -dsc=";
  cmd += Bool(desktopShortcut_);
  cmd += L" -ssc=";
  cmd += Bool(quickLaunchShortcut_);
  if (!g_InstallConfig.InstCmd.empty()) cmd += L" " + g_InstallConfig.InstCmd;
  if (!installDir_.empty()) {
    cmd += L" -instdir=\"" + installDir_ + L"\"";
    // The installer takes /D= as the rest of the line, so it stays last and unquoted.
    cmd += L" /D=" + installDir_;
  }
  return cmd;
}

void CPackageInstaller::Start(std::function<void()> whenFinished) {
  commandLine_ = BuildCommandLine();
  thread_.reset();
  finished_ = std::move(whenFinished);
  thread_ =
      std::make_unique<Utils::Thread>(this, L"ABDEF", [](void* self) { static_cast<CPackageInstaller*>(self)->Run(); });
  if (!thread_->Handle()) {
    thread_.reset();
    return;
  }
  thread_->Resume();
}

void CPackageInstaller::Raise(int32_t code, double value, const std::wstring& text) { callback_(code, value, text); }

int CPackageInstaller::ParseOutput(const std::wstring& chunk) {
  using namespace InstallProtocol;
  int verdict = 0;
  std::wstring v;
  for (const std::wstring& line : SplitLines(chunk)) {
    if (MatchKey(line, L"Progress=", v)) {
      Raise(IST_CODE_PROGRESS, NumberValue(v));
    } else if (MatchKey(line, L"InstPath=", v)) {
      Raise(IST_INFO_INST_PATH, 0, TextValue(v));
    } else if (MatchKey(line, L"State=", v)) {
      const std::wstring word = WordValue(v);
      if (word == L"Success") {
        Raise(INSTALL_SUCCESS, 0);
        verdict = kVerdictSuccess;
      } else if (word == L"Fail") {
        Raise(IST_CODE_FAIL, 0, kInstallFailedText);
        verdict = kVerdictFailure;
      }
    } else if (MatchKey(line, L"InstallVersion=", v)) {
      // Read as "%d.%d.%d": the fields before the first unreadable one are taken.
      int32_t* fields[] = {&installedVersion_.major, &installedVersion_.minor, &installedVersion_.patch};
      size_t at = 0;
      for (size_t i = 0; i < 3; ++i) {
        if (i > 0) {
          if (at >= v.size() || v[at] != L'.') break;
          ++at;
        }
        int64_t n = 0;
        if (!IntegerValue(v, at, n, &at)) break;
        *fields[i] = static_cast<int32_t>(n);
      }
    } else if (MatchKey(line, L"ExePath=", v) || MatchKey(line, L"StartExe=", v)) {
      Raise(IST_INFO_EXE_PATH, 0, TextValue(v));
    } else if (MatchKey(line, L"UninstExePath=", v) || MatchKey(line, L"UninstExe=", v)) {
      Raise(IST_INFO_UNINST_EXE, 0, TextValue(v));
    } else if (MatchKey(line, L"UninstEp=", v)) {
      Raise(IST_INFO_UNINST_EP, 0, TextValue(v));
    } else if (MatchKey(line, L"Error=", v)) {
      Raise(IST_CODE_FAIL, 1000, TextValue(v));
      verdict = kVerdictFailure;
    } else if (MatchKey(line, L"TopShowDetention=", v)) {
      Raise(IST_INFO_TOP_SHOW_DETENTION, UnsignedValue(v));
    } else if (MatchKey(line, L"FinsihCloseDetention=", v)) {
      Raise(IST_INFO_FINISH_CLOSE_DETENTION, UnsignedValue(v));
    } else if (MatchKey(line, L"StartUrl=", v)) {
      Raise(IST_INFO_START_URL, 0, TextValue(v));
    } else if (MatchKey(line, L"StartupStyle=", v)) {
      const std::wstring word = WordValue(v);
      const double style = word == L"AutoStartup" ? 1 : word == L"UserStartup" ? 2 : 0;
      Raise(IST_INFO_STARTUP_STYLE, style);
    } else if (MatchKey(line, L"Encode=", v)) {
      const std::wstring word = WordValue(v);
      codePage_ = word == L"UTF8" ? 65001 : word == L"ACP" ? 0 : CodePageNumber(word);
    } else if (MatchKey(line, L"Message=", v)) {
      Raise(IST_INFO_MESSAGE, 0, TextValue(v));
    }
  }
  return verdict;
}

void CPackageInstaller::Run() {
  Raise(IST_CODE_START, 0);
  Raise(IST_CODE_PROGRESS, 0);
  CChildOutputReader::Options options;
  options.stopAtVerdict = true;
  options.idleWaitMs = 100;
  const CChildOutputReader::Outcome run = CChildOutputReader::RunChild(
      process_, commandLine_, codePage_, [this](const std::wstring& chunk) { return ParseOutput(chunk); }, options,
      L"package");
  if (!run.launched) {
    Raise(IST_CODE_FAIL, 2);
    if (finished_) finished_();
    return;
  }

  if (!run.verdictSeen) {
    // Without a verdict the exit code decides: a package that ended with a
    // failure code has not installed anything we can start.
    if (run.exitCode == 0) {
      Raise(INSTALL_SUCCESS, 1);
    } else {
      DEBUG_LOG_LINE(L"package ended without a verdict, exit code %lu", run.exitCode);
      Raise(IST_CODE_FAIL, static_cast<double>(run.exitCode), kInstallFailedText);
    }
  }
  if (finished_) finished_();
}
