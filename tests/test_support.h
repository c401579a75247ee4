#pragma once
// Small helpers shared by the test programs.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "utils/text.h"

namespace test {

// A file of the build folder (the Unix path from LUMAVOX_BUILD_DIR) as a
// Windows path on drive Z:, which Wine maps to "/".
inline std::wstring BuildPath(const std::wstring& relative) {
  const char* dir = std::getenv("LUMAVOX_BUILD_DIR");
  std::wstring path = L"Z:" + Utils::NarrowToWide(dir ? dir : "", 65001) + L"/" + relative;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

// A new empty folder under the temporary path, removed with its contents
// when the object goes.
class TempDir {
 public:
  TempDir() {
    wchar_t base[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, base);
    for (unsigned n = ::GetTickCount();; ++n) {
      path_ = std::wstring(base) + L"lvtest_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(n);
      if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
  }
  ~TempDir() { Remove(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  static void Remove(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = dir + L"\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(full);
        } else {
          ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
          ::DeleteFileW(full.c_str());
        }
      } while (::FindNextFileW(h, &fd));
      ::FindClose(h);
    }
    ::RemoveDirectoryW(dir.c_str());
  }

  std::wstring path_;
};

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(h);
  return ok && written == bytes.size();
}

inline bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace test
