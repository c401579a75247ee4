#include "install/download_installer.h"

#include <windows.h>

#include "config/install_config.h"
#include "install/paths.h"
#include "utils/log.h"
#include "utils/system.h"

using namespace InstallEventCode;

CDownloadInstaller::CDownloadInstaller(InstallEventCallback callback, std::wstring url, std::wstring oldUninstallerPath,
                                       std::wstring installDir, bool desktopShortcut, bool quickLaunchShortcut,
                                       bool userIsAdmin, InstallEnvironment environment)
    : url_(std::move(url)),
      oldUninstallerPath_(std::move(oldUninstallerPath)),
      installDir_(std::move(installDir)),
      desktopShortcut_(desktopShortcut),
      quickLaunchShortcut_(quickLaunchShortcut),
      userIsAdmin_(userIsAdmin),
      callback_(std::move(callback)),
      environment_(std::move(environment)) {}

CDownloadInstaller::~CDownloadInstaller() {
  // In the order the workers call each other: a removal may still start the
  // download, and a download may still start the package.
  uninstaller_.reset();
  downloader_.reset();
  packageInstaller_.reset();
}

void CDownloadInstaller::SetParams(const std::wstring& url, const std::wstring& oldUninstallerPath,
                                   const std::wstring& installDir, bool desktopShortcut, bool quickLaunchShortcut,
                                   bool userIsAdmin, bool processIsAdmin) {
  url_ = url;
  oldUninstallerPath_ = oldUninstallerPath;
  installDir_ = installDir;
  desktopShortcut_ = desktopShortcut;
  quickLaunchShortcut_ = quickLaunchShortcut;
  userIsAdmin_ = userIsAdmin;
  processIsAdmin_ = processIsAdmin;
}

std::wstring CDownloadInstaller::UninstallerCopyPath(const std::wstring& tempDir) {
  return tempDir.empty() ? std::wstring() : InstallPaths::Join(tempDir, L"lumavoxapp_un_asa.exe");
}

void CDownloadInstaller::Start() {
  packagePath_ = installDir_ + L"\\__Package_" + L"lumavoxapp" + L".exe";
  DEBUG_LOG(L"DL_TYPE=%d\r\n", g_InstallConfig.DownloadType);

  if (!downloader_) {
    downloadPath_ = packagePath_;
    downloader_ = CreateDownloader(
        g_InstallConfig.DownloadType,
        [this](int32_t code, double value, const std::wstring& text) { OnDownloadEvent(code, value, text); }, url_,
        downloadPath_);
  }
  if (!packageInstaller_) {
    packageInstaller_ = std::make_unique<CPackageInstaller>(
        [this](int32_t code, double value, const std::wstring& text) { OnInstallEvent(code, value, text); },
        L"\"" + packagePath_ + L"\"", installDir_);
  }
  packageInstaller_->SetOptions(installDir_, desktopShortcut_, quickLaunchShortcut_, userIsAdmin_, processIsAdmin_);

  if (InstallPaths::FileExists(oldUninstallerPath_)) {
    const std::wstring copy = UninstallerCopyPath(environment_.tempDir());
    if (!copy.empty()) {
      // A copy left by an earlier attempt must not run in place of this one
      // when copying fails.
      ::DeleteFileW(copy.c_str());
      ::CopyFileW(oldUninstallerPath_.c_str(), copy.c_str(), FALSE);
    }
    uninstaller_.reset();
    removalDecided_ = false;
    uninstaller_ = std::make_unique<CUnInstaller>(
        [this](int32_t code, double value, const std::wstring& text) { OnUninstallEvent(code, value, text); }, copy,
        InstallPaths::ParentFolder(oldUninstallerPath_), environment_);
    uninstaller_->Start();
    return;
  }
  StartDownload();
}

void CDownloadInstaller::StartDownload() {
  if (!downloader_) return;
  ++downloadRuns_;
  downloader_->Start();
}

void CDownloadInstaller::DeletePackage() {
  if (!downloadPath_.empty()) ::DeleteFileW(downloadPath_.c_str());
}

void CDownloadInstaller::OnDownloadEvent(int32_t code, double value, const std::wstring& text) {
  callback_(code, value, text);
  switch (code) {
    case DL_CODE_START:
      Utils::CreateDirectories(installDir_);
      DEBUG_LOG(L"DL_CODE_START\r\n");
      break;
    case DL_CODE_PROGRESS:
      DEBUG_LOG(L"DL_CODE_PROGRESS\r\n");
      break;
    case DOWNLOAD_SUCCESS:
      DEBUG_LOG(L"DOWNLOAD_SUCCESS\r\n");
      if (packageInstaller_) {
        // The deletion at the verdict fails while the package still runs;
        // it is done again once the package has ended.
        const uint64_t run = downloadRuns_;
        packageInstaller_->Start([this, run] {
          if (run == downloadRuns_) DeletePackage();
        });
      }
      DEBUG_LOG(L"DL_CODE_SUCCESS\r\n");
      break;
    case DL_CODE_FAIL:
      DeletePackage();
      DEBUG_LOG(L"DL_CODE_FAIL\r\n");
      break;
    case DL_CODE_RETRY:
      DEBUG_LOG(L"DL_CODE_RETRY\r\n");
      StartDownload();
      break;
    default:
      break;
  }
}

void CDownloadInstaller::OnUninstallEvent(int32_t code, double value, const std::wstring& text) {
  callback_(code, value, text);
  switch (code) {
    case UNIST_CODE_START:
      DEBUG_LOG(L"UNIST_CODE_START\r\n");
      break;
    case UNIST_CODE_PROGRESS:
      DEBUG_LOG(L"UNIST_CODE_PROGRESS\r\n");
      break;
    case UNIST_CODE_SUCCESS:
      DEBUG_LOG(L"UNIST_CODE_SUCCESS\r\n");
      // Only the first verdict of a removal decides: once it failed, the
      // window has told the user and gone back, and a second success must
      // not start a second download.
      if (!removalDecided_.exchange(true) && packageInstaller_) StartDownload();
      break;
    case UNIST_CODE_FAIL:
      DEBUG_LOG(L"UNIST_CODE_FAIL\r\n");
      removalDecided_ = true;
      break;
    case UNIST_CODE_ERROR:
      DEBUG_LOG(L"UNIST_CODE_ERROR\r\n");
      removalDecided_ = true;
      break;
    default:
      break;
  }
}

void CDownloadInstaller::OnInstallEvent(int32_t code, double value, const std::wstring& text) {
  callback_(code, value, text);
  switch (code) {
    case IST_CODE_START:
      DEBUG_LOG(L"IST_CODE_START\r\n");
      break;
    case IST_CODE_PROGRESS:
      DEBUG_LOG(L"DL_CODE_SUCCESS\r\n");
      break;
    case INSTALL_SUCCESS:
      DeletePackage();
      DEBUG_LOG(L"INSTALL_SUCCESS\r\n");
      break;
    case IST_CODE_FAIL:
      DeletePackage();
      DEBUG_LOG(L"IST_CODE_FAIL\r\n");
      break;
    default:
      break;
  }
}
