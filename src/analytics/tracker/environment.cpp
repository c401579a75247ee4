#include "analytics/tracker/environment.h"

#include <windows.h>

#include "utils/handle.h"

namespace zelto {
namespace analytics {

OsVersion ReadOsVersion() {
  OsVersion v;
  const Utils::UniqueModule ntdll(::LoadLibraryW(L"ntdll.dll"));
  if (!ntdll) return v;
  v.valid = true;
  using Fn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  const auto fn =
      reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(ntdll.get(), "RtlGetNtVersionNumbers")));
  if (!fn) return v;  // numbers stay 0
  DWORD major = 0, minor = 0, build = 0;
  fn(&major, &minor, &build);
  v.major = major;
  v.minor = minor;
  v.build = build & 0xFFFF;
  return v;
}

bool Is64BitFlag() {
  // IsWow64Process answers only for a 32-bit process; a 64-bit process runs
  // on a 64-bit system by definition.
  if (sizeof(void*) == 8) return true;
  using Fn = BOOL(WINAPI*)(HANDLE, BOOL*);
  const auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (fn && fn(::GetCurrentProcess(), &wow64)) return wow64 != FALSE;
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

bool HasServerR2Flag() { return ::GetSystemMetrics(SM_SERVERR2) != 0; }

std::string OsVersionText(const OsVersion& v, bool is64Bit, bool isServerR2) {
  if (!v.valid || v.major <= 4) return "XP-";
  switch (v.major) {
    case 5:
      if (v.minor == 0) return "2K";
      if (v.minor == 1) return "XP";
      if (v.minor == 2) return is64Bit ? "XP64" : (isServerR2 ? "Server 2003 R2" : "Server 2003");
      return "XP+";
    case 6:
      if (v.minor == 0) return is64Bit ? "Vista64" : "Vista";
      if (v.minor == 1) return is64Bit ? "7" : "7-32";
      if (v.minor == 2) return is64Bit ? "8" : "8-32";
      if (v.minor == 3) return "8.1";
      return "8.1+";
    case 10:
      if (v.minor != 0) return "11+";
      return v.build >= 22000 ? "11" : "10";
    default:
      return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.build);
  }
}

std::string CurrentOsVersionText() { return OsVersionText(ReadOsVersion(), Is64BitFlag(), HasServerR2Flag()); }

std::string UserAgentText(const std::string& osName, const std::string& versionText, bool is64Bit) {
  return "Mozilla/5.0(" + osName + " " + versionText + "; Win" + (is64Bit ? "64;)" : "32;)");
}

LocaleInfo CurrentLocale(const std::string& override) {
  LocaleInfo info;
  const size_t underscore = override.find('_');
  if (underscore != std::string::npos) {
    info.language = override.substr(0, underscore);
    info.country = override.substr(underscore + 1);
    info.locale = override;
    return info;
  }
  char language[16] = {}, country[16] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, sizeof language) == 0 ||
      ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, country, sizeof country) == 0) {
    return info;
  }
  info.language = language;
  info.country = country;
  info.locale = info.language + "_" + info.country;
  return info;
}

ScreenSize PrimaryScreenSize() { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

}  // namespace analytics
}  // namespace zelto
