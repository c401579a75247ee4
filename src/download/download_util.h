#pragma once
// Small file and text helpers shared by the downloaders. Paths are narrow
// strings in the system ANSI code page, as the standard file calls take them.

// Its users include curl, whose header wants winsock2.h ahead of windows.h.
#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace Download {

constexpr int64_t kMiB = 1024 * 1024;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// Size of a file in bytes (64-bit), or -1 when it cannot be read.
int64_t FileSize(const std::string& ansiPath);
bool FileExists(const std::string& ansiPath);
void RemoveFile(const std::string& ansiPath);

std::string AnsiPath(const std::wstring& path);
// A URL as curl takes it: UTF-8, or the ANSI code page for a "file:///" URL
// (curl hands such a path to the standard file calls).
std::string CurlUrl(const std::wstring& url);
bool IsFileUrl(const std::wstring& url);

// The system's text for a C runtime error number, at most 200 characters.
std::wstring ErrnoText(int error);

// Waits up to ms milliseconds; true when the event was set before that.
bool WaitStop(HANDLE stopEvent, DWORD ms);

}  // namespace Download
