#include "analytics/report/report.h"

#include <objbase.h>
#include <shlwapi.h>

#include <climits>
#include <cmath>
#include <cwchar>

#include "analytics/tracker/tracker.h"
#include "analytics/tracker/zt_exception.h"
#include "config/install_config.h"
#include "utils/handle.h"
#include "utils/log.h"
#include "utils/system.h"
#include "utils/text.h"

using namespace zelto::analytics;

namespace {

constexpr size_t kReasonChars = 200;  // buffer size, terminator included
constexpr int kKindClick = 3, kKindView = 4, kKindTask = 7;

std::string Utf8(const std::wstring& text) { return Utils::WideToNarrow(text, CP_UTF8); }

// The tracker when analytics are on and one exists.
std::shared_ptr<AnalyticsTrackerWrapper> ActiveTracker() {
  if (!g_InstallConfig.IsEnableAppAnalytics) return nullptr;
  return currentTracker();
}

ZtContextProperties LabelledContext(const ReportProperties& extra, int kind) {
  ZtContextProperties context;
  const auto ab = extra.find(L"AB");
  if (ab == extra.end()) return context;
  const std::string value = Utf8(ab->second);
  try {
    if (ZtContextProperties::isValidABValue(value)) context.setABProperty(value, {kind});
  } catch (const ZtException& e) {
    // A label breaking the rule must not take the installer down; the event
    // goes without it.
    DEBUG_LOG_LINE(L"invalid A/B label '%s': %s", ab->second.c_str(), Utils::NarrowToWide(e.what(), CP_UTF8).c_str());
  }
  return context;
}

// Runs a report; nothing that goes wrong inside reaches the caller.
template <typename Report>
void Guarded(const wchar_t* what, Report report) {
  try {
    report();
  } catch (const std::exception& e) {
    DEBUG_LOG_LINE(L"%s dropped: %s", what, Utils::NarrowToWide(e.what(), CP_ACP).c_str());
  } catch (...) {
    DEBUG_LOG_LINE(L"%s dropped", what);
  }
}

long CodeOf(double value) {
  if (!std::isfinite(value)) return 0;
  if (value >= static_cast<double>(LONG_MAX)) return LONG_MAX;
  if (value <= static_cast<double>(LONG_MIN)) return LONG_MIN;
  return static_cast<long>(value);
}

}  // namespace

void InitAnalytics() {
  if (!g_InstallConfig.IsEnableAppAnalytics) return;
  Guarded(L"InitAnalytics", [] {
    ZtTrackerCreateInfo info;
    info.appName = Utf8(g_InstallConfig.AppId + g_InstallConfig.DlAppNameSuffix);
    info.appVersion = Utf8(g_InstallConfig.AppVersion);
    info.appStore = Utf8(g_InstallConfig.ExeName);
    info.dlAppId = Utf8(g_InstallConfig.AppId);
    info.dlAppVersion = Utf8(g_InstallConfig.DlAppVersion);
    info.edition = ZtEdition::china;
    createTracker(info);
  });
}

void ReleaseAnalytics() {
  Guarded(L"ReleaseAnalytics", [] { releaseTracker(); });
}

void ReportTask(const std::wstring& taskName, float elapsedSeconds, const std::wstring& reason,
                const ReportProperties& extra) {
  const auto tracker = ActiveTracker();
  if (!tracker) return;
  Guarded(L"ReportTask", [&] {
    ZtEventTask task;
    task.name = Utf8(taskName);
    task.reason = Utf8(reason);
    task.elapsed = elapsedSeconds;
    task.result = ZtResult::Success;
    tracker->trackTask(task, LabelledContext(extra, kKindTask));
  });
}

void ReportClick(const std::wstring& buttonText, const ReportProperties& extra) {
  const auto tracker = ActiveTracker();
  if (!tracker) return;
  Guarded(L"ReportClick", [&] {
    ZtEventClick click;
    click.name = Utf8(buttonText);
    click.clickType = ZtClickType::Button;
    tracker->trackClick(click, LabelledContext(extra, kKindClick));
  });
}

void ReportView(const ReportProperties& extra) {
  const auto tracker = ActiveTracker();
  if (!tracker) return;
  Guarded(L"ReportView", [&] {
    ZtEventView view;
    view.name = Utf8(ReportName::kInstallingView);
    tracker->trackView(view, LabelledContext(extra, kKindView));
  });
}

void ReportCrash() {
  const auto tracker = ActiveTracker();
  if (!tracker) return;
  Guarded(L"ReportCrash", [&] { tracker->trackCrash(Utf8(L"崩溃")); });
}

void ReportCurlInitFailed() { ReportTask(ReportName::kCurlInitFailed, 0, L"", {{L"AB", L"IN"}}); }

void ReportCrashExit() {
  ReportTask(ReportName::kCrashExit, 0, L"", {{L"AB", L"IN"}});
  ReportCrash();
}

void ReportSizeQueryFailed(long statusCode) {
  wchar_t reason[kReasonChars] = {};
  _snwprintf_s(reason, kReasonChars, _TRUNCATE, L"1.获取文件大小的状态码为=%ld；", statusCode);
  ReportTask(ReportName::kDownloadFailure, 0, reason, {{L"AB", L"IN"}});
}

DownloadFailureChecks CheckDownloadTarget(const std::wstring& packagePath) {
  DownloadFailureChecks checks;
  std::wstring root = packagePath;
  root.resize(std::max<size_t>(root.size(), MAX_PATH));
  if (::PathStripToRootW(&root[0])) {
    root.resize(std::wcslen(root.c_str()));
    if (!root.empty() && root.back() != L'\\') root += L'\\';  // a share root needs it
    Utils::HardDiskManager disk;
    if (disk.CheckFreeSpace(root)) checks.freeGiB = static_cast<double>(disk.freeBytesAvailable) / (1ull << 30);
  }
  if (!packagePath.empty()) {
    ::DeleteFileW(packagePath.c_str());
    Utils::UniqueFileHandle probe(
        ::CreateFileW(packagePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    checks.writable = static_cast<bool>(probe);
    probe.reset();
    if (checks.writable) ::DeleteFileW(packagePath.c_str());
  }
  // The network list manager needs COM on this thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  checks.networkWord = Utils::CheckNetwork();
  if (SUCCEEDED(com)) ::CoUninitialize();
  return checks;
}

std::wstring DownloadFailureReason(double code, const std::wstring& message, const DownloadFailureChecks& checks) {
  wchar_t reason[kReasonChars] = {};
  _snwprintf_s(reason, kReasonChars, _TRUNCATE,
               L"1.code=%ld；2.msg=%ls；3.缓存磁盘容量=%.2fG；4.缓存读写权限=%ls；5.服务器连接状态code=%d",
               CodeOf(code), message.c_str(), checks.freeGiB, checks.writable ? L"可读" : L"无权限",
               static_cast<int>(checks.networkWord));
  return reason;
}

std::wstring EventFailureReason(double code, const std::wstring& message) {
  wchar_t reason[kReasonChars] = {};
  _snwprintf_s(reason, kReasonChars, _TRUNCATE, L":1.code=%ld；2.msg=%ls", CodeOf(code), message.c_str());
  return reason;
}
