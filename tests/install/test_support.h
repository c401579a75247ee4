#pragma once
// Paths, folders and files for the install tests, all under Wine.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../test_support.h"
#include "utils/system.h"
#include "utils/text.h"

namespace test {

// A value of an INI file, or "<missing>".
inline std::wstring Ini(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[512] = {};
  ::GetPrivateProfileStringW(section, key, L"<missing>", value, 512, file.c_str());
  return value;
}

// A value of the installer's registry key, or "<missing>".
inline std::wstring Reg(const wchar_t* name) {
  DWORD type = 0;
  std::wstring value;
  return Utils::ReadRegString(name, type, value) ? value : L"<missing>";
}

inline std::wstring ChildPath() { return BuildPath("tests/fixtures/child/test_child.exe"); }

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
