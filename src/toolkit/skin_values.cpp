#include "toolkit/skin_values.h"

#include <cwchar>
#include <cwctype>

namespace SkinUI {
namespace {

// Reads up to count comma-separated decimal numbers; stops at the first
// place that is not a number.
void ParseNumbers(const std::wstring& value, long* out, int count) {
  const wchar_t* p = value.c_str();
  for (int i = 0; i < count; ++i) {
    out[i] = 0;
  }
  for (int i = 0; i < count; ++i) {
    while (*p == L' ' || *p == L'\t') ++p;
    wchar_t* end = nullptr;
    const long n = std::wcstol(p, &end, 10);
    if (end == p) return;
    out[i] = n;
    p = end;
    while (*p == L' ' || *p == L'\t') ++p;
    if (*p != L',') return;
    ++p;
  }
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return i == a.size() && b[i] == 0;
}

}  // namespace

uint32_t ParseColor(const std::wstring& value) {
  const wchar_t* p = value.c_str();
  while (*p == L' ') ++p;
  if (*p == L'#') ++p;
  // Only hexadecimal text is read; wcstoul would also take a sign.
  if (!std::iswxdigit(*p)) return 0;
  wchar_t* end = nullptr;
  const unsigned long long n = std::wcstoull(p, &end, 16);
  return n > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(n);
}

RECT ParseRect(const std::wstring& value) {
  long n[4];
  ParseNumbers(value, n, 4);
  return RECT{n[0], n[1], n[2], n[3]};
}

SIZE ParseSize(const std::wstring& value) {
  long n[2];
  ParseNumbers(value, n, 2);
  return SIZE{n[0], n[1]};
}

int ParseInt(const std::wstring& value) {
  long n[1];
  ParseNumbers(value, n, 1);
  return static_cast<int>(n[0]);
}

bool ParseFlag(const std::wstring& value) { return value == L"true"; }

bool ParseFlagAnyCase(const std::wstring& value) { return EqualsNoCase(value, L"true"); }

HAlign ParseHAlign(const std::wstring& value, HAlign current) {
  if (value.find(L"left") != std::wstring::npos) current = HAlign::Left;
  if (value.find(L"center") != std::wstring::npos) current = HAlign::Center;
  if (value.find(L"right") != std::wstring::npos) current = HAlign::Right;
  return current;
}

VAlign ParseVAlign(const std::wstring& value, VAlign current) {
  if (value.find(L"top") != std::wstring::npos) current = VAlign::Top;
  if (value.find(L"vcenter") != std::wstring::npos) current = VAlign::Center;
  if (value.find(L"bottom") != std::wstring::npos) current = VAlign::Bottom;
  return current;
}

ImageDesc ParseImageString(const std::wstring& value) {
  ImageDesc desc;
  if (value.find(L'=') == std::wstring::npos) {
    desc.file = value;
    return desc;
  }
  size_t i = 0;
  const size_t n = value.size();
  while (i < n) {
    while (i < n && (value[i] == L' ' || value[i] == L'\t' || value[i] == L'\r' || value[i] == L'\n')) ++i;
    const size_t keyStart = i;
    while (i < n && value[i] != L'=' && value[i] != L' ') ++i;
    std::wstring key = value.substr(keyStart, i - keyStart);
    while (i < n && value[i] == L' ') ++i;
    if (i >= n || value[i] != L'=') {
      // A word without "=": skip it.
      continue;
    }
    ++i;  // '='
    while (i < n && value[i] == L' ') ++i;
    std::wstring v;
    if (i < n && (value[i] == L'\'' || value[i] == L'"')) {
      const wchar_t quote = value[i++];
      const size_t end = value.find(quote, i);
      const size_t stop = end == std::wstring::npos ? n : end;
      v = value.substr(i, stop - i);
      i = end == std::wstring::npos ? n : end + 1;
    } else {
      const size_t start = i;
      while (i < n && value[i] != L' ') ++i;
      v = value.substr(start, i - start);
    }
    if (EqualsNoCase(key, L"file")) {
      desc.file = v;
    } else if (EqualsNoCase(key, L"dest")) {
      desc.dest = ParseRect(v);
    } else if (EqualsNoCase(key, L"source")) {
      desc.source = ParseRect(v);
    } else if (EqualsNoCase(key, L"corner")) {
      desc.corner = ParseRect(v);
    } else if (EqualsNoCase(key, L"mask")) {
      desc.mask = ParseColor(v);
      desc.hasMask = !v.empty();
    } else if (EqualsNoCase(key, L"fade")) {
      const int f = ParseInt(v);
      desc.fade = f < 0 ? 0 : (f > 255 ? 255 : f);
    } else if (EqualsNoCase(key, L"hole")) {
      desc.hole = ParseFlag(v);
    } else if (EqualsNoCase(key, L"xtiled")) {
      desc.xtiled = ParseFlag(v);
    } else if (EqualsNoCase(key, L"ytiled")) {
      desc.ytiled = ParseFlag(v);
    }
  }
  return desc;
}

bool IsEmptyRect(const RECT& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

}  // namespace SkinUI
