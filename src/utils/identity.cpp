#include <windows.h>

#include <lm.h>
#include <objbase.h>
#include <wtsapi32.h>

#include <cwchar>

#include "utils/system.h"

namespace Utils {

bool IsAdminGroupMember() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins))
    return false;
  BOOL member = FALSE;
  const BOOL ok = ::CheckTokenMembership(nullptr, admins, &member);
  ::FreeSid(admins);
  return ok && member;
}

bool IsAdminUser(const std::wstring& userName) {
  LPBYTE buffer = nullptr;
  if (::NetUserGetInfo(nullptr, userName.c_str(), 1, &buffer) != NERR_Success || !buffer) return false;
  const bool admin = reinterpret_cast<USER_INFO_1*>(buffer)->usri1_priv == USER_PRIV_ADMIN;
  ::NetApiBufferFree(buffer);
  return admin;
}

bool GetConsoleUserName(std::wstring& userName) {
  const DWORD session = ::WTSGetActiveConsoleSessionId();
  LPWSTR name = nullptr;
  DWORD bytes = 0;
  if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, &name, &bytes) || !name)
    return false;
  userName = name;
  ::WTSFreeMemory(name);
  return true;
}

std::wstring NewGuidString() {
  GUID g{};
  if (FAILED(::CoCreateGuid(&g))) return L"";
  wchar_t text[40] = {};
  _snwprintf_s(text, _countof(text), _TRUNCATE, L"%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X",
               static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
               g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

}  // namespace Utils
