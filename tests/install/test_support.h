#pragma once
// Paths, folders and files for the install tests, all under Wine.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "utils/text.h"

namespace test {

// The Windows path of a file of the build ("Z:" + the Unix path).
inline std::wstring BuildPath(const std::string& relative) {
  const char* dir = std::getenv("LUMAVOX_BUILD_DIR");
  std::string unix = std::string(dir ? dir : ".") + "/" + relative;
  std::wstring path = L"Z:" + Utils::NarrowToWide(unix, 65001);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

inline std::wstring ChildPath() { return BuildPath("tests/fixtures/child/test_child.exe"); }

// Removes a folder and everything below it.
inline void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(folder.c_str());
}

// A fresh, empty folder under the user's temporary folder.
inline std::wstring FreshFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"lumavox_tests\\" + name;
  RemoveTree(folder);
  ::CreateDirectoryW((std::wstring(temp) + L"lumavox_tests").c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

inline bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::wstring ReadUtf8(const std::wstring& path) { return Utils::NarrowToWide(ReadBytes(path), 65001); }

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Commands for the test child, handed over through its environment while
// the object lives (the runners fix the child's command line).
class ChildScript {
 public:
  explicit ChildScript(const std::wstring& lines) { ::SetEnvironmentVariableW(L"LUMAVOX_CHILD_SCRIPT", lines.c_str()); }
  ~ChildScript() { ::SetEnvironmentVariableW(L"LUMAVOX_CHILD_SCRIPT", nullptr); }
  ChildScript(const ChildScript&) = delete;
  ChildScript& operator=(const ChildScript&) = delete;
};

}  // namespace test
