#pragma once
// The installer's report functions: the only way into usage analytics.
// Each does nothing while analytics are off or no tracker exists, and none
// ever throws or changes the installer's flow.

#include <cstdint>
#include <map>
#include <string>

// The names of the catalogue's task reports and of the buttons reported.
namespace ReportName {
constexpr wchar_t kCurlInitFailed[] = L"libcurl初始化失败";
constexpr wchar_t kCrashExit[] = L"崩溃退出";
constexpr wchar_t kDownloaderStart[] = L"下载器启动";
constexpr wchar_t kPackageDownloadStart[] = L"开始下载大包";
constexpr wchar_t kPackageDownloaded[] = L"大包下载完毕";
constexpr wchar_t kInstalled[] = L"安装成功";
constexpr wchar_t kDownloadFailure[] = L"下载失败原因";
constexpr wchar_t kInstallFailure[] = L"安装失败原因";
constexpr wchar_t kInstallingView[] = L"安装中";
// Buttons.
constexpr wchar_t kInstallNow[] = L"立即安装";
constexpr wchar_t kCustomInstall[] = L"自定义安装";
constexpr wchar_t kCustomInstallNow[] = L"自定义安装_立即安装";
constexpr wchar_t kStartProduct[] = L"立即体验";
}  // namespace ReportName

using ReportProperties = std::map<std::wstring, std::wstring>;  // only "AB" is read

void InitAnalytics();
void ReleaseAnalytics();
void ReportTask(const std::wstring& taskName, float elapsedSeconds, const std::wstring& reason,
                const ReportProperties& extra);
void ReportClick(const std::wstring& buttonText, const ReportProperties& extra);
void ReportView(const ReportProperties& extra);
void ReportCrash();

// Reports made outside the main window, each with the label "IN".
void ReportCurlInitFailed();                  // the HTTP library did not initialise
void ReportCrashExit();                       // from the unhandled-exception filter
void ReportSizeQueryFailed(long statusCode);  // the download-size query failed (0: no status)

// What a failed download leaves to check, read on the spot.
struct DownloadFailureChecks {
  double freeGiB = 0;        // free to the user on the drive of the package path
  bool writable = false;     // a file could be made at the package path
  uint32_t networkWord = 0;  // Utils::CheckNetwork
};
// Deletes any file at the package path, then creates and deletes one there.
DownloadFailureChecks CheckDownloadTarget(const std::wstring& packagePath);

// Reason texts, cut to 199 characters. The code is the event's value as an
// integer.
std::wstring DownloadFailureReason(double code, const std::wstring& message, const DownloadFailureChecks& checks);
std::wstring EventFailureReason(double code, const std::wstring& message);
