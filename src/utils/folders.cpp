#include <windows.h>

#include <shlwapi.h>

#include "utils/system.h"

namespace Utils {

std::wstring GetTempDir() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathW(MAX_PATH, temp);
  if (n == 0 || n > MAX_PATH) return L"";
  std::wstring dir(temp);
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  dir += L"~ZeltoTemp.92482B06FB471E17\\";
  if (::PathFileExistsW(dir.c_str())) return dir;
  return ::CreateDirectoryW(dir.c_str(), nullptr) ? dir : L"";
}

bool CreateDirectories(const std::wstring& path) {
  if (path.size() > MAX_PATH) return false;
  for (size_t slash = path.find(L'\\'); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1)) {
    const std::wstring prefix = path.substr(0, slash + 1);
    if (!::PathFileExistsW(prefix.c_str()) && !::CreateDirectoryW(prefix.c_str(), nullptr)) return false;
  }
  const size_t last = path.rfind(L'\\');
  if (last + 1 < path.size() && !::PathFileExistsW(path.c_str()) && !::CreateDirectoryW(path.c_str(), nullptr))
    return false;
  return true;
}

}  // namespace Utils
