#include "install/protocol_values.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <limits>

namespace InstallProtocol {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

bool MatchKey(const std::wstring& line, const wchar_t* key, std::wstring& value) {
  const size_t n = std::wcslen(key);
  if (line.compare(0, n, key) != 0) return false;
  value = line.substr(n);
  return true;
}

std::wstring TextValue(const std::wstring& value) {
  return value.size() > kMaxTextValue ? value.substr(0, kMaxTextValue) : value;
}

double NumberValue(const std::wstring& value) {
  // Only the characters %lf accepts for a decimal number: sign, digits, one
  // point, an exponent. Words such as "inf" or "nan" and hexadecimal forms
  // are no progress a child can mean.
  size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  const size_t begin = i;
  if (i < value.size() && (value[i] == L'+' || value[i] == L'-')) ++i;
  size_t digits = 0;
  while (i < value.size() && IsDigit(value[i])) ++i, ++digits;
  if (i < value.size() && value[i] == L'.') {
    ++i;
    while (i < value.size() && IsDigit(value[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < value.size() && (value[i] == L'e' || value[i] == L'E')) {
    size_t j = i + 1;
    if (j < value.size() && (value[j] == L'+' || value[j] == L'-')) ++j;
    if (j < value.size() && IsDigit(value[j])) {
      while (j < value.size() && IsDigit(value[j])) ++j;
      i = j;
    }
  }
  const std::wstring number = value.substr(begin, i - begin);
  const double result = std::wcstod(number.c_str(), nullptr);
  return std::isfinite(result) ? result : 0.0;
}

bool IntegerValue(const std::wstring& value, size_t start, int64_t& out, size_t* end) {
  size_t i = start;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == L'+' || value[i] == L'-')) negative = value[i++] == L'-';
  if (i >= value.size() || !IsDigit(value[i])) return false;
  // Saturate instead of overflowing; callers reject what does not fit.
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 10 - 9;
  int64_t n = 0;
  for (; i < value.size() && IsDigit(value[i]); ++i) {
    if (n < kLimit) n = n * 10 + (value[i] - L'0');
  }
  out = negative ? -n : n;
  if (end) *end = i;
  return true;
}

uint32_t UnsignedValue(const std::wstring& value) {
  int64_t n = 0;
  if (!IntegerValue(value, 0, n)) return 0;
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<uint32_t>::max()) return 0;
  return static_cast<uint32_t>(n);
}

std::wstring WordValue(const std::wstring& value) {
  size_t begin = 0;
  size_t end = value.size();
  while (begin < end && IsBlank(value[begin])) ++begin;
  while (end > begin && IsBlank(value[end - 1])) --end;
  return value.substr(begin, end - begin);
}

int32_t CodePageNumber(const std::wstring& word) {
  int64_t n = 0;
  if (!IntegerValue(word, 0, n)) return 0;
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) return 0;
  return static_cast<int32_t>(n);
}

std::vector<std::wstring> SplitLines(const std::wstring& chunk) {
  std::vector<std::wstring> lines;
  size_t begin = 0;
  for (size_t lf = chunk.find(L'\n'); lf != std::wstring::npos; lf = chunk.find(L'\n', begin)) {
    lines.push_back(chunk.substr(begin, lf - begin));
    begin = lf + 1;
  }
  if (begin < chunk.size()) lines.push_back(chunk.substr(begin));
  return lines;
}

}  // namespace InstallProtocol
