#include "install/uninstaller.h"

#include "install/child_output_reader.h"
#include "install/paths.h"
#include "install/protocol_values.h"
#include "utils/log.h"
#include "utils/process.h"
#include "utils/text.h"
#include "utils/thread.h"

using namespace InstallEventCode;

namespace {

constexpr int kVerdictSuccess = 1;
constexpr int kVerdictFailure = 1000;
const wchar_t kUninstallFailedText[] = L"安装包卸载失败";
const wchar_t kMissingUninstallerText[] = L"可执行卸载文件不存在";

// The uninstaller reads its own output between reads; waiting longer on an
// empty pipe would only delay the download that follows.
constexpr DWORD kIdleWaitMs = 20;

}  // namespace

CUnInstaller::CUnInstaller(InstallEventCallback callback, std::wstring exePath, std::wstring oldInstallDir,
                           InstallEnvironment environment)
    : callback_(std::move(callback)),
      exePath_(std::move(exePath)),
      oldInstallDir_(std::move(oldInstallDir)),
      environment_(std::move(environment)) {}

CUnInstaller::~CUnInstaller() { thread_.reset(); }

std::wstring CUnInstaller::BuildCommandLine() const {
  const bool userIsAdmin = environment_.userIsAdmin && environment_.userIsAdmin();
  const bool processIsAdmin = environment_.processIsAdmin && environment_.processIsAdmin();
  // The path is quoted: unquoted, a path with blanks would let the system
  // try "C:\Users\John.exe" and the like first, with our rights.
  std::wstring cmd = L"\"" + exePath_ + L"\"";
  cmd += L" /S -adminact=";
  cmd += userIsAdmin ? L"true" : L"false";
  cmd += L" -authorizationact=";
  cmd += processIsAdmin ? L"true" : L"false";
  cmd += L" -console=show _?=" + oldInstallDir_;
  return cmd;
}

void CUnInstaller::Start() {
  commandLine_ = BuildCommandLine();
  thread_ = std::make_unique<Utils::Thread>(this, L"UnInstaller",
                                            [](void* self) { static_cast<CUnInstaller*>(self)->Run(); });
  if (!thread_->Handle()) {
    thread_.reset();
    return;
  }
  thread_->Resume();
}

int CUnInstaller::ParseOutput(const std::wstring& chunk) {
  using namespace InstallProtocol;
  int verdict = 0;
  std::wstring v;
  for (const std::wstring& line : SplitLines(chunk)) {
    if (MatchKey(line, L"Progress=", v)) {
      callback_(UNIST_CODE_PROGRESS, NumberValue(v), std::wstring());
    } else if (MatchKey(line, L"Error=", v)) {
      callback_(UNIST_CODE_ERROR, 0, TextValue(v));
      verdict = kVerdictFailure;
    } else if (MatchKey(line, L"State=", v)) {
      const std::wstring word = WordValue(v);
      if (word == L"Success") {
        callback_(UNIST_CODE_SUCCESS, 0, std::wstring());
        verdict = kVerdictSuccess;
      } else if (word == L"Fail") {
        callback_(UNIST_CODE_ERROR, 0, kUninstallFailedText);
        verdict = kVerdictFailure;
      }
    } else if (MatchKey(line, L"Encode=", v)) {
      codePage_ = WordValue(v) == L"UTF8" ? 65001 : 0;
    }
  }
  return verdict;
}

void CUnInstaller::Run() {
  if (!InstallPaths::FileExists(exePath_)) {
    callback_(UNIST_CODE_FAIL, 1, kMissingUninstallerText);
    return;
  }
  callback_(UNIST_CODE_PROGRESS, 0, std::wstring());
  CChildOutputReader::Options options;
  options.stopAtVerdict = false;
  options.idleWaitMs = kIdleWaitMs;
  const CChildOutputReader::Outcome run = CChildOutputReader::RunChild(
      process_, commandLine_, codePage_, [this](const std::wstring& chunk) { return ParseOutput(chunk); }, options,
      L"uninstaller");
  if (!run.launched) {
    callback_(UNIST_CODE_FAIL, 2, std::wstring());
    return;
  }

  if (!run.verdictSeen) {
    if (run.exitCode == 0) {
      callback_(UNIST_CODE_SUCCESS, 1, std::wstring());
    } else {
      DEBUG_LOG_LINE(L"uninstaller ended without a verdict, exit code %lu", run.exitCode);
      callback_(UNIST_CODE_ERROR, 0, kUninstallFailedText);
    }
  }
}
