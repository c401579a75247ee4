#include <string>

#include "utils/handle.h"
#include "utils/system.h"

namespace Utils {

OsVersionNumbers ReadOsVersionNumbers() {
  OsVersionNumbers v;
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (!ntdll) return v;
  using Fn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetNtVersionNumbers")));
  if (!fn) return v;
  DWORD major = 0, minor = 0, build = 0;
  fn(&major, &minor, &build);
  v.valid = true;
  v.major = major;
  v.minor = minor;
  v.build = build & 0xFFFF;
  return v;
}

std::wstring OsVersionName(const OsVersionNumbers& v, bool isR2) {
  if (!v.valid || v.major <= 4) return L"XP-";
  switch (v.major) {
    case 5:
      if (v.minor == 0) return L"2K";
      if (v.minor == 1) return L"XP";
      if (v.minor == 2) return isR2 ? L"Server 2003 R2" : L"Server 2003";
      return L"XP+";
    case 6:
      if (v.minor == 0) return L"Vista";
      if (v.minor == 1) return L"7";
      if (v.minor == 2) return L"8";
      if (v.minor == 3) return L"8.1";
      return L"8.1+";
    case 10:
      return v.minor == 0 ? L"10" : L"10+";
    default:
      return std::to_wstring(v.major) + L"." + std::to_wstring(v.minor) + L"." + std::to_wstring(v.build);
  }
}

void GetOsVersionName(std::wstring& family, std::wstring& name) {
  family = L"Windows";
  name = OsVersionName(ReadOsVersionNumbers(), ::GetSystemMetrics(SM_SERVERR2) != 0);
}

bool Is64BitSystem() {
  using Fn = BOOL(WINAPI*)(HANDLE, BOOL*);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  if (!fn) return false;
  BOOL wow64 = FALSE;
  if (fn(::GetCurrentProcess(), &wow64)) {
    // IsWow64Process only tells a 32-bit process about its system; a 64-bit
    // process runs on a 64-bit system by definition.
    return wow64 || sizeof(void*) == 8;
  }
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

}  // namespace Utils
