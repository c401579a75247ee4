#pragma once
// The installer's one configuration record: built-in defaults, then
// "ZeltoInstallerConfig.ini" beside the executable, then the switches.

#include <cstdint>
#include <string>

class CInstallConfig {
 public:
  // What the record reads of the machine; tests give their own.
  struct Environment {
    std::wstring exePath;        // full path of the running executable
    std::wstring commandLine;    // the whole process command line
    std::wstring osVersionName;  // as Utils::GetOsVersionName names it
    bool is64BitSystem = false;
    static Environment Current();
  };

  // Defaults, then the configuration file of the running executable.
  CInstallConfig();
  // Defaults, then the configuration file beside env.exePath.
  explicit CInstallConfig(const Environment& env);

  // Route substitution, then stores the result in DownloadUrl.
  void SetDownloadUrl(const std::wstring& url);
  // Applies the switches of the environment's command line. Called once.
  void ApplySwitches();

  std::wstring AppId = L"lumavoxapp";
  std::wstring AppVersion = L"1.7.9";
  std::wstring ExeName = L"NULL";
  std::wstring DlAppNameSuffix = L".downloader";
  std::wstring DlAppVersion;
  std::wstring InstCmd;
  std::wstring DownloadUrl;
  int32_t DownloadType = 1;
  bool IsCheckNet = false;
  bool IsEnableAppAnalytics = true;
  double DownloadScale = 0.7;
  bool CurlReady = true;
  std::wstring AbGroup = L"IN";

  static const wchar_t* const kDefaultDownloadUrl;

 private:
  void ReadFile();
  Environment env_;
};

// The process-wide record, constructed ahead of every other static object.
extern CInstallConfig g_InstallConfig;
