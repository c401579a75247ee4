#pragma once
// The download-and-install job behind the installing page: remove the
// installed version when there is one, download the package, run it
// silently, delete it. Everything that happens is reported through the
// window's callback; each event reaches the window before the pipeline acts
// on it.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "download/downloader.h"
#include "download/install_event.h"
#include "install/install_environment.h"
#include "install/package_installer.h"
#include "install/uninstaller.h"

class CDownloadInstaller {
 public:
  CDownloadInstaller(InstallEventCallback callback, std::wstring url, std::wstring oldUninstallerPath,
                     std::wstring installDir, bool desktopShortcut, bool quickLaunchShortcut, bool userIsAdmin,
                     InstallEnvironment environment = InstallEnvironment::System());
  // Waits for every worker (and so for a running child) to end.
  ~CDownloadInstaller();
  CDownloadInstaller(const CDownloadInstaller&) = delete;
  CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

  void SetParams(const std::wstring& url, const std::wstring& oldUninstallerPath, const std::wstring& installDir,
                 bool desktopShortcut, bool quickLaunchShortcut, bool userIsAdmin, bool processIsAdmin);
  // Runs the job on worker threads and returns at once.
  void Start();

  // installDir + "\__Package_lumavoxapp.exe", as of the last Start.
  const std::wstring& PackagePath() const { return packagePath_; }
  // Where the package copy of the installed version's uninstaller is run from.
  static std::wstring UninstallerCopyPath(const std::wstring& tempDir);

 private:
  void OnDownloadEvent(int32_t code, double value, const std::wstring& text);
  void OnUninstallEvent(int32_t code, double value, const std::wstring& text);
  void OnInstallEvent(int32_t code, double value, const std::wstring& text);
  void DeletePackage();
  void StartDownload();

  std::unique_ptr<CUnInstaller> uninstaller_;
  std::unique_ptr<CDownloader> downloader_;
  std::unique_ptr<CPackageInstaller> packageInstaller_;
  std::wstring url_;
  std::wstring oldUninstallerPath_;
  std::wstring installDir_;
  std::wstring packagePath_;
  bool desktopShortcut_ = true;
  bool quickLaunchShortcut_ = true;
  bool userIsAdmin_ = true;
  bool processIsAdmin_ = false;
  InstallEventCallback callback_;

  // The file the downloader writes: the package path of the Start that made
  // it, which later Starts keep using.
  std::wstring downloadPath_;
  // The current removal has decided the job: the download was started, or
  // the removal failed. Later verdicts of the same removal start nothing.
  std::atomic<bool> removalDecided_{false};
  // Download runs started so far. A package run deletes the package at its
  // end only when no new download has begun meanwhile: that one's file is
  // not the package that ran.
  std::atomic<uint64_t> downloadRuns_{0};
  InstallEnvironment environment_;
};
