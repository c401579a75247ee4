#include "install/install_records.h"

#include <shlobj.h>

#include <clocale>
#include <cwchar>

#include "install/paths.h"
#include "utils/system.h"

namespace {

const wchar_t kProductFolder[] = L"lumavoxapp";
const wchar_t kInstallPathValue[] = L"InstallPath";
const wchar_t kUninstallerValue[] = L"UnInstallEp";
const wchar_t kUninstallerRecordSuffix[] = L"\\uninst.ep";

// A value of another type than a string is no record of ours.
std::wstring ReadRecordValue(const wchar_t* name) {
  DWORD type = REG_NONE;
  std::wstring value;
  if (!Utils::ReadRegString(name, type, value) || (type != REG_SZ && type != REG_EXPAND_SZ)) return L"";
  return value;
}

}  // namespace

InstallRecords::InstallRecords(InstallEnvironment environment) : env_(std::move(environment)) {}

std::wstring InstallRecords::SettingsFile(const std::wstring& installedDir) {
  return InstallPaths::Join(installedDir, L"set.ini");
}

InstallRecords::Existing InstallRecords::ReadExisting() const {
  Existing existing;
  existing.installDir = ReadRecordValue(kInstallPathValue);
  existing.uninstallerPath = ReadRecordValue(kUninstallerValue);
  if (existing.uninstallerPath.empty() && !existing.installDir.empty())
    existing.uninstallerPath = existing.installDir + kUninstallerRecordSuffix;
  return existing;
}

InstallRecords::DefaultDir InstallRecords::DefaultInstallDir(const Existing& existing) const {
  DefaultDir result;
  result.userIsAdmin = env_.userIsAdmin();
  result.processIsAdmin = env_.processIsAdmin();
  if (!existing.installDir.empty() && InstallPaths::FileExists(existing.uninstallerPath)) {
    result.folder = existing.installDir;
    return result;
  }
  std::wstring base;
  const std::wstring appData = env_.environmentVariable(L"APPDATA");
  if (result.userIsAdmin && result.processIsAdmin && !appData.empty()) {
    base = InstallPaths::Join(appData, L"sorvane");
  } else {
    base = env_.specialFolder(CSIDL_PROGRAM_FILESX86);
    if (base.empty()) base = env_.specialFolder(CSIDL_PROGRAM_FILES);
  }
  result.folder = InstallPaths::Join(base, kProductFolder);
  return result;
}

bool InstallRecords::IsDefaultInstallDir(const std::wstring& folder, const Existing& existing) const {
  return InstallPaths::SameFolder(DefaultInstallDir(existing).folder, folder);
}

std::wstring InstallRecords::CustomInstallDir(const std::wstring& chosen, const Existing& existing) const {
  const std::wstring defaultFolder = DefaultInstallDir(existing).folder;
  if (InstallPaths::SameFolder(defaultFolder, chosen)) return defaultFolder;
  return InstallPaths::Join(chosen, kProductFolder);
}

bool InstallRecords::KeepsOldVersion(const std::wstring& target, const std::wstring& installedDir) const {
  if (!InstallPaths::SameFolder(installedDir, target)) return false;
  wchar_t value[20] = {};
  ::GetPrivateProfileStringW(L"Uninstall", L"IsOverride", L"true", value, 20, SettingsFile(target).c_str());
  return std::wcscmp(value, L"false") == 0;
}

void InstallRecords::WriteRegistry(const std::wstring& installedDir,
                                   const std::wstring& reportedUninstallerPath) const {
  Utils::WriteRegString(kInstallPathValue, installedDir);
  const std::wstring record =
      reportedUninstallerPath.empty() ? installedDir + kUninstallerRecordSuffix : reportedUninstallerPath;
  // A record that names no file would send the next installer after an
  // uninstaller that is not there.
  if (InstallPaths::FileExists(record)) Utils::WriteRegString(kUninstallerValue, record);
}

void InstallRecords::WriteSettings(const std::wstring& installedDir) const {
  const std::wstring settings = SettingsFile(installedDir);
  const std::wstring installerName = InstallPaths::FileName(env_.executablePath());
  std::setlocale(LC_ALL, "en_GB.UTF-8");

  ::WritePrivateProfileStringW(L"Install", L"APPStore", installerName.c_str(), settings.c_str());
  ::WritePrivateProfileStringW(L"Install", L"AppName", kProductFolder, settings.c_str());
  ::WritePrivateProfileStringW(L"Install", L"DeviceID", Utils::NewGuidString().c_str(), settings.c_str());

  const std::wstring dataDir = AnalyticsDataDir();
  if (!Utils::CreateDirectories(dataDir)) return;
  const std::wstring analyticsIni = dataDir + L"\\ZTAnalytics.ini";
  ::WritePrivateProfileStringW(L"Install", L"ZTAnalyticsIni", analyticsIni.c_str(), settings.c_str());

  const SYSTEMTIME t = env_.localTime();
  wchar_t stamp[64] = {};
  std::swprintf(stamp, 64, L"%d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  ::WritePrivateProfileStringW(L"Init", L"UpdateTime", stamp, analyticsIni.c_str());
}

std::wstring InstallRecords::AnalyticsDataDir() const {
  std::wstring base = env_.environmentVariable(L"APPDATA");
  if (base.empty()) base = env_.specialFolder(CSIDL_COMMON_DOCUMENTS);
  return InstallPaths::Join(InstallPaths::Join(base, L"ZeltoData"), kProductFolder);
}

void InstallRecords::LaunchProduct(const std::wstring& startUrl, const std::wstring& productExe, HWND window) const {
  if (startUrl.size() > 5) env_.shellOpen(startUrl, SW_SHOWMAXIMIZED);
  if (InstallPaths::FileExists(productExe)) {
    // Let the window finish painting the finish page before the product
    // takes the foreground.
    Utils::PumpMessages(window);
    env_.shellOpen(productExe, SW_SHOWNORMAL);
  }
}
