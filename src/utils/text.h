#pragma once
// Text conversions. Code page 0 is the system ANSI code page, 65001 UTF-8.

#include <string>

namespace Utils {

std::wstring NarrowToWide(const std::string& text, unsigned codePage);
std::string WideToNarrow(const std::wstring& text, unsigned codePage);

// UTF-8 bytes, printable ASCII 33-126 kept, a space as "+", every other byte
// as "%" and two upper-case hex digits.
std::wstring UrlEncode(const std::wstring& text);

// Replaces every occurrence of what by with, going on after the inserted
// text, so a replacement that contains the searched text still ends.
std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with);

}  // namespace Utils
