#pragma once
// The value forms of the skin markup: colours, rectangles, sizes, flags,
// text alignment and image strings.

#include <windows.h>

#include <cstdint>
#include <string>

namespace SkinUI {

// "#AARRGGBB", "0xAARRGGBB" or bare hex digits, read as one hexadecimal
// number (so six digits give alpha 0). Anything unreadable gives 0.
uint32_t ParseColor(const std::wstring& value);
// "l,t,r,b"; missing or unreadable numbers are 0.
RECT ParseRect(const std::wstring& value);
// "w,h"; missing or unreadable numbers are 0.
SIZE ParseSize(const std::wstring& value);
// Decimal number, 0 when unreadable.
int ParseInt(const std::wstring& value);
// The markup's flag rule: true exactly for "true".
bool ParseFlag(const std::wstring& value);
// Font styles accept "true" in any letter case.
bool ParseFlagAnyCase(const std::wstring& value);

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Center, Bottom };
// Each keyword is looked for as a substring; the last match of the list
// ("left", "center", "right") wins, and nothing found keeps the current value.
HAlign ParseHAlign(const std::wstring& value, HAlign current);
// Keywords "top", "vcenter", "bottom"; "center" alone is not one of them.
VAlign ParseVAlign(const std::wstring& value, VAlign current);

// A parsed image string: a plain file name, or key='value' pairs.
struct ImageDesc {
  std::wstring file;
  RECT dest{0, 0, 0, 0};
  RECT source{0, 0, 0, 0};  // all zeros: the whole image
  RECT corner{0, 0, 0, 0};
  uint32_t mask = 0;
  bool hasMask = false;
  int fade = 255;
  bool hole = false;
  bool xtiled = false;
  bool ytiled = false;

  bool Empty() const { return file.empty(); }
};
ImageDesc ParseImageString(const std::wstring& value);

bool IsEmptyRect(const RECT& r);

}  // namespace SkinUI
