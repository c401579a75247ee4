#include "utils/text.h"

#include <windows.h>

namespace Utils {

std::wstring NarrowToWide(const std::string& text, unsigned codePage) {
  const int n = ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 1) return L"";
  std::wstring out(static_cast<size_t>(n), L'\0');
  if (::MultiByteToWideChar(codePage, 0, text.c_str(), -1, &out[0], n) <= 0) return L"";
  out.resize(static_cast<size_t>(n) - 1);
  return out;
}

std::string WideToNarrow(const std::wstring& text, unsigned codePage) {
  const int n = ::WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return "";
  std::string out(static_cast<size_t>(n), '\0');
  if (::WideCharToMultiByte(codePage, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr) <= 0) return "";
  out.resize(static_cast<size_t>(n) - 1);
  return out;
}

std::wstring UrlEncode(const std::wstring& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : WideToNarrow(text, CP_UTF8)) {
    if (c >= 33 && c <= 126) {
      out.push_back(static_cast<char>(c));
    } else if (c == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return NarrowToWide(out, CP_UTF8);
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
  if (what.empty()) return text;
  for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

}  // namespace Utils
