#pragma once
// What the tracker reports about the machine: operating-system version
// text, word size, user agent, locale and screen size. Narrow text in the
// ANSI code page, as the system's ANSI calls give it.

#include <cstdint>
#include <string>

namespace zelto {
namespace analytics {

constexpr char kOsName[] = "Windows";

struct OsVersion {
  bool valid = false;  // false when ntdll cannot be loaded
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;  // low 16 bits
};

OsVersion ReadOsVersion();
// True on a 64-bit Windows, for 32-bit and 64-bit builds of the program.
bool Is64BitFlag();
bool HasServerR2Flag();

// The version text for given numbers ("XP-", "7", "7-32", "10", "11", ...).
std::string OsVersionText(const OsVersion& v, bool is64Bit, bool isServerR2);
std::string CurrentOsVersionText();

// "Mozilla/5.0(" + name + " " + version + "; Win64;)" (or "Win32;)").
std::string UserAgentText(const std::string& osName, const std::string& versionText, bool is64Bit);

struct LocaleInfo {
  std::string locale, language, country;  // all empty when the system cannot say
};
// An override with "_" wins ("zh_CN" gives zh and CN); otherwise the user
// default locale's ISO 639 and ISO 3166 names.
LocaleInfo CurrentLocale(const std::string& override);

struct ScreenSize {
  int width = 0;
  int height = 0;
};
ScreenSize PrimaryScreenSize();

}  // namespace analytics
}  // namespace zelto
