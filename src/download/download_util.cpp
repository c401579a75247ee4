#include "download/download_util.h"

#include <sys/stat.h>

#include <cwchar>

#include "utils/text.h"

namespace Download {

int64_t FileSize(const std::string& ansiPath) {
  struct _stat64 st;
  if (::_stat64(ansiPath.c_str(), &st) != 0) return -1;
  return st.st_size;
}

bool FileExists(const std::string& ansiPath) {
  return ::GetFileAttributesA(ansiPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveFile(const std::string& ansiPath) { std::remove(ansiPath.c_str()); }

std::string AnsiPath(const std::wstring& path) { return Utils::WideToNarrow(path, CP_ACP); }

bool IsFileUrl(const std::wstring& url) { return url.compare(0, 8, L"file:///") == 0; }

std::string CurlUrl(const std::wstring& url) { return Utils::WideToNarrow(url, IsFileUrl(url) ? CP_ACP : CP_UTF8); }

std::wstring ErrnoText(int error) {
  wchar_t text[201] = {};
  if (::_wcserror_s(text, 201, error) != 0) return L"";
  return text;
}

bool WaitStop(HANDLE stopEvent, DWORD ms) {
  if (!stopEvent) {
    ::Sleep(ms);
    return false;
  }
  return ::WaitForSingleObject(stopEvent, ms) == WAIT_OBJECT_0;
}

}  // namespace Download
