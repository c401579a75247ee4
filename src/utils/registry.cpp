#include <vector>

#include "utils/handle.h"
#include "utils/system.h"

namespace Utils {

const wchar_t* const kInstallerRegistryKey = L"Software\\ZeltoSoft\\lumavoxapp";

bool WriteRegString(const std::wstring& name, const std::wstring& value) {
  UniqueRegKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kInstallerRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
         ERROR_SUCCESS;
}

bool ReadRegString(const std::wstring& name, DWORD& type, std::wstring& value) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kInstallerRegistryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  DWORD bytes = 0;
  if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
  // One character more than the data, zero-filled: the stored text need not
  // carry its terminator.
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
  DWORD size = bytes;
  if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  value.assign(buffer.data());
  return true;
}

}  // namespace Utils
