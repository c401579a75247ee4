#include "install/paths.h"

#include <windows.h>

#include <shlwapi.h>

namespace InstallPaths {

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (folder.back() == L'\\') return folder + name;
  return folder + L'\\' + name;
}

bool FileExists(const std::wstring& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ParentFolder(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L"";
  std::wstring folder = path.substr(0, slash);
  // "D:\P\\uninst.ep" names the folder D:\P; a drive root keeps its backslash.
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

std::wstring FileName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

namespace {

// "D:\P\" and "D:\P" are one folder; the system's answer for the first is
// ".\" or nothing instead of ".".
std::wstring WithoutTrailingSlash(std::wstring folder) {
  while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/') &&
         !(folder.size() == 3 && folder[1] == L':'))
    folder.pop_back();
  return folder;
}

}  // namespace

bool SameFolder(const std::wstring& fromFolder, const std::wstring& toFolder) {
  if (fromFolder.empty() || toFolder.empty()) return false;
  const std::wstring from = WithoutTrailingSlash(fromFolder);
  const std::wstring to = WithoutTrailingSlash(toFolder);
  wchar_t relative[MAX_PATH] = {};
  if (!::PathRelativePathToW(relative, from.c_str(), FILE_ATTRIBUTE_DIRECTORY, to.c_str(), FILE_ATTRIBUTE_DIRECTORY))
    return false;
  return std::wstring(relative) == L".";
}

}  // namespace InstallPaths
