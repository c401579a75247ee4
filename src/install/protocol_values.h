#pragma once
// The value forms of the child installers' key=value output lines.

#include <cstdint>
#include <string>
#include <vector>

namespace InstallProtocol {

// Longest text value handed on in an event (UTF-16 characters); longer
// values are cut.
constexpr size_t kMaxTextValue = 771;

// True when the line starts with the key ("=" included) at its first
// character, in the letter case given; value is the rest of the line.
bool MatchKey(const std::wstring& line, const wchar_t* key, std::wstring& value);

// Everything after the key, CR kept, cut to kMaxTextValue characters.
std::wstring TextValue(const std::wstring& value);

// A decimal number read the way %lf reads one (leading blanks skipped,
// reading stops at the first character that cannot belong to it). 0 when no
// number can be read; a number that is not finite counts as unreadable.
double NumberValue(const std::wstring& value);

// A decimal integer read the way %d reads one; false when none can be read.
// end receives the position after the digits.
bool IntegerValue(const std::wstring& value, size_t start, int64_t& out, size_t* end = nullptr);

// An integer taken as an unsigned 32-bit number, so -1 gives 4294967295. 0
// when no integer can be read or it does not fit in 32 bits.
uint32_t UnsignedValue(const std::wstring& value);

// The value with leading and trailing blanks, tabs, CR, LF, VT and FF removed.
std::wstring WordValue(const std::wstring& value);

// A code page number the way a string-to-integer conversion reads it
// (leading blanks, a sign, trailing characters ignored); 0 when the text is
// no number or does not fit in 32 bits.
int32_t CodePageNumber(const std::wstring& word);

// The lines of a decoded chunk: split at every LF (which is dropped); a last
// piece after the last LF is a line too when it is not empty.
std::vector<std::wstring> SplitLines(const std::wstring& chunk);

}  // namespace InstallProtocol
