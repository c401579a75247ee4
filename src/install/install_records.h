#pragma once
// The records of an installation: the registry record read by the next
// installer, the settings file in the installed folder, the seed of the
// analytics INI file, the default and custom install folders, and starting
// the product at the end. UI thread only.

#include <windows.h>

#include <string>

#include "install/install_environment.h"

class InstallRecords {
 public:
  // The installation the registry names.
  struct Existing {
    std::wstring installDir;
    std::wstring uninstallerPath;  // the uninstaller record file
  };
  struct DefaultDir {
    std::wstring folder;
    bool userIsAdmin = false;     // the console user's account is an administrator
    bool processIsAdmin = false;  // this process runs elevated
  };

  explicit InstallRecords(InstallEnvironment environment = InstallEnvironment::System());

  // "InstallPath" and "UnInstallEp" of the registry record; the record path
  // defaults to the installed folder + "\uninst.ep".
  Existing ReadExisting() const;
  // The installed folder when its uninstaller record file exists (reinstall
  // in place); otherwise "lumavoxapp" under APPDATA\sorvane for an
  // administrator running elevated, else under the 32-bit Program Files.
  DefaultDir DefaultInstallDir(const Existing& existing) const;
  bool IsDefaultInstallDir(const std::wstring& folder, const Existing& existing) const;
  // The chosen folder + "\lumavoxapp", or the default folder itself when
  // that is what was chosen.
  std::wstring CustomInstallDir(const std::wstring& chosen, const Existing& existing) const;
  // True when installing into the installed folder keeps the installed
  // version: its set.ini says [Uninstall] IsOverride=false.
  bool KeepsOldVersion(const std::wstring& target, const std::wstring& installedDir) const;

  // "InstallPath" always; "UnInstallEp" only when that file exists.
  void WriteRegistry(const std::wstring& installedDir, const std::wstring& reportedUninstallerPath) const;
  // set.ini [Install] APPStore, AppName, DeviceID (new every time) and
  // ZTAnalyticsIni; the analytics INI's [Init] UpdateTime.
  void WriteSettings(const std::wstring& installedDir) const;
  std::wstring AnalyticsDataDir() const;
  // Opens the start URL (when longer than 5 characters) and starts the
  // product executable (when it exists).
  void LaunchProduct(const std::wstring& startUrl, const std::wstring& productExe, HWND window) const;

  static std::wstring SettingsFile(const std::wstring& installedDir);

 private:
  InstallEnvironment env_;
};
