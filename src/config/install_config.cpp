#include "config/install_config.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>

#include "utils/system.h"
#include "utils/text.h"

const wchar_t* const CInstallConfig::kDefaultDownloadUrl = L"http://dl.zeltosoft.com/software/206";

// Ahead of every other static object, so the file has been read before any
// of them (or the entry routine) looks at the record.
CInstallConfig g_InstallConfig __attribute__((init_priority(101)));

namespace {

constexpr int kValueChars = 260;
constexpr wchar_t kSection[] = L"Install";
constexpr int32_t kDefaultDownloadType = 1;
constexpr double kDefaultDownloadScale = 0.7;

// Product numbers that have a 64-bit package; this installer's is 462.
constexpr int kProductNumber = 462;
constexpr int kProductsWith64BitPackage[] = {267, 385, 257, 335, 318};

std::wstring ReadString(const std::wstring& ini, const wchar_t* key, const wchar_t* fallback) {
  wchar_t buffer[kValueChars] = {};
  ::GetPrivateProfileStringW(kSection, key, fallback, buffer, kValueChars, ini.c_str());
  return buffer;
}

// Standard string-to-double conversion. No number prefix gives noNumber; a
// number beyond the range of a double counts as absent (the field's default).
double ParseDouble(const std::wstring& text, double noNumber) {
  const wchar_t* begin = text.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const double value = std::wcstod(begin, &end);
  if (end == begin) return noNumber;
  if (errno == ERANGE && std::isinf(value)) return kDefaultDownloadScale;
  return value;
}

// Leading blanks, optional sign, digits, the rest ignored. Whether the text
// holds a number at all, and whether it fits in 32 bits.
struct IntegerPrefix {
  bool present = false;
  bool fits = false;
  int32_t value = 0;
};

IntegerPrefix ParseInteger(const std::wstring& text) {
  IntegerPrefix result;
  const wchar_t* begin = text.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const long long value = std::wcstoll(begin, &end, 10);
  if (end == begin) return result;
  result.present = true;
  result.fits =
      errno != ERANGE && value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
  if (result.fits) result.value = static_cast<int32_t>(value);
  return result;
}

}  // namespace

CInstallConfig::Environment CInstallConfig::Environment::Current() {
  Environment env;
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  env.exePath = path;
  env.commandLine = ::GetCommandLineW();
  std::wstring family;
  Utils::GetOsVersionName(family, env.osVersionName);
  env.is64BitSystem = Utils::Is64BitSystem();
  return env;
}

CInstallConfig::CInstallConfig() : CInstallConfig(Environment::Current()) {}

CInstallConfig::CInstallConfig(const Environment& env) : env_(env) {
  SetDownloadUrl(kDefaultDownloadUrl);
  ReadFile();
}

void CInstallConfig::SetDownloadUrl(const std::wstring& url) {
  if (url.find(L"${ROUTE}") == std::wstring::npos) {
    DownloadUrl = url;
    return;
  }
  const wchar_t* route = L"download_silent";
  bool has64BitPackage = false;
  for (int product : kProductsWith64BitPackage) has64BitPackage = has64BitPackage || product == kProductNumber;
  if (env_.osVersionName.find(L"XP") != std::wstring::npos) {
    route = L"download_silent_xp";
  } else if (has64BitPackage && env_.is64BitSystem) {
    route = L"download_silent_64";
  }
  DownloadUrl = Utils::ReplaceAll(url, L"${ROUTE}", route);
}

void CInstallConfig::ReadFile() {
  ExeName = ::PathFindFileNameW(env_.exePath.c_str());

  std::wstring folder = env_.exePath;
  const size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? L"" : folder.substr(0, slash);
  const std::wstring ini = folder + L"\\ZeltoInstallerConfig.ini";
  if (!::PathFileExistsW(ini.c_str())) return;

  SetDownloadUrl(ReadString(ini, L"DownloadUrl", kDefaultDownloadUrl));

  // The system's profile-integer reading, except that a number that does not
  // fit in 32 bits counts as absent.
  const IntegerPrefix type = ParseInteger(ReadString(ini, L"DownloadType", L""));
  DownloadType =
      (type.present && !type.fits)
          ? kDefaultDownloadType
          : static_cast<int32_t>(::GetPrivateProfileIntW(kSection, L"DownloadType", kDefaultDownloadType, ini.c_str()));

  IsCheckNet = ReadString(ini, L"IsCheckNet", L"true") == L"true";
  IsEnableAppAnalytics = ReadString(ini, L"IsEnableAppAnalytics", L"true") == L"true";
  DlAppNameSuffix = ReadString(ini, L"DlAppNameSuffix", L".downloader");
  DlAppVersion = ReadString(ini, L"m_DlAppVersion", L"");
  DownloadScale = ParseDouble(ReadString(ini, L"DownloadScale", L"0.7"), 0.0);
  InstCmd = ReadString(ini, L"InstCmd", L"");

  AppId = L"lumavoxapp";
  AppVersion = L"1.7.9";
}

void CInstallConfig::ApplySwitches() {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(env_.commandLine.c_str(), &argc);
  if (!argv) return;
  std::map<std::wstring, std::wstring> switches;
  for (int i = 0; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const size_t eq = arg.find(L'=');
    if (!arg.empty() && arg[0] == L'-' && eq != std::wstring::npos) {
      switches.emplace(arg.substr(0, eq), arg.substr(eq + 1));  // the first occurrence wins
    } else {
      switches.emplace(arg, L"");
    }
  }
  ::LocalFree(argv);

  auto value = [&](const wchar_t* key, std::wstring& out) {
    const auto it = switches.find(key);
    if (it == switches.end()) return false;
    out = it->second;
    return true;
  };
  std::wstring v;
  if (value(L"-downloadurl", v)) SetDownloadUrl(v);
  if (value(L"-downloadtype", v)) {
    const IntegerPrefix type = ParseInteger(v);
    DownloadType = !type.present ? 0 : type.fits ? type.value : kDefaultDownloadType;
  }
  if (value(L"-downloadscale", v)) DownloadScale = ParseDouble(v, std::numeric_limits<double>::quiet_NaN());
  if (value(L"-ischecknet", v)) IsCheckNet = v == L"true";
  if (value(L"-isenableappanalytics", v)) IsEnableAppAnalytics = v == L"true";
  if (value(L"-dlappnamesuffix", v)) DlAppNameSuffix = v;
  if (value(L"-dlappversion", v)) DlAppVersion = v;
  if (value(L"-instcmd", v)) InstCmd = v;
}
