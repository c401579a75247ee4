#include "install/install_environment.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "utils/system.h"

InstallEnvironment InstallEnvironment::System() {
  InstallEnvironment env;
  env.userIsAdmin = [] {
    std::wstring user;
    return Utils::GetConsoleUserName(user) && !user.empty() && Utils::IsAdminUser(user);
  };
  env.processIsAdmin = [] { return Utils::IsAdminGroupMember(); };
  env.environmentVariable = [](const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::wstring();
    std::vector<wchar_t> value(size, L'\0');
    const DWORD n = ::GetEnvironmentVariableW(name, value.data(), size);
    return n > 0 && n < size ? std::wstring(value.data(), n) : std::wstring();
  };
  env.specialFolder = [](int csidl) {
    wchar_t path[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE) ? std::wstring(path) : std::wstring();
  };
  env.executablePath = [] {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
      const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (n == 0) return std::wstring();
      if (n < path.size()) return std::wstring(path.data(), n);
      path.resize(path.size() * 2);
    }
  };
  env.localTime = [] {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return t;
  };
  env.tempDir = [] { return Utils::GetTempDir(); };
  env.shellOpen = [](const std::wstring& target, int showCommand) {
    ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, showCommand);
  };
  return env;
}
