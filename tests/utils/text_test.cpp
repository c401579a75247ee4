#include <windows.h>

#include <gtest/gtest.h>

#include "utils/system.h"
#include "utils/text.h"

namespace {

struct Conversion {
  const char* name;
  unsigned codePage;
  std::string narrow;
  std::wstring wide;
};

class ConversionTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(ConversionTest, RoundTrips) {
  const Conversion& c = GetParam();
  EXPECT_EQ(Utils::NarrowToWide(c.narrow, c.codePage), c.wide);
  EXPECT_EQ(Utils::WideToNarrow(c.wide, c.codePage), c.narrow);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, ConversionTest,
    ::testing::Values(Conversion{"utf8_ascii", 65001, "abc", L"abc"},
                      Conversion{"utf8_two_byte", 65001, "a b/\xC3\xBC", L"a b/\u00fc"},
                      Conversion{"utf8_chinese", 65001, "\xE5\xBE\xAE\xE8\xBD\xAF", L"\u5fae\u8f6f"},
                      Conversion{"utf8_beyond_bmp", 65001, "\xF0\x9F\x8E\xB5", L"\U0001F3B5"},
                      Conversion{"gbk_chinese", 936, "\xD6\xD0\xCE\xC4", L"\u4e2d\u6587"},
                      Conversion{"gbk_mixed", 936, "x\xD6\xD0y", L"x\u4e2dy"}, Conversion{"empty", 65001, "", L""}),
    [](const ::testing::TestParamInfo<Conversion>& info) { return info.param.name; });

TEST(Conversion, CodePageZeroIsTheAnsiCodePage) {
  const std::wstring text = L"caf\u00e9 100%";
  EXPECT_EQ(Utils::WideToNarrow(text, 0), Utils::WideToNarrow(text, ::GetACP()));
  const std::string bytes = Utils::WideToNarrow(text, ::GetACP());
  EXPECT_EQ(Utils::NarrowToWide(bytes, 0), Utils::NarrowToWide(bytes, ::GetACP()));
}

TEST(Conversion, InvalidUtf8IsReplacedNotRejected) {
  // A lone continuation byte and a cut sequence keep the valid text around them.
  const std::wstring out = Utils::NarrowToWide(
      "a\x80"
      "b\xE5\xBE",
      65001);
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out.front(), L'a');
  EXPECT_NE(out.find(L'b'), std::wstring::npos);
  EXPECT_NE(out.find(L'\uFFFD'), std::wstring::npos);
}

TEST(Conversion, TextEndsAtTheFirstNul) {
  EXPECT_EQ(Utils::NarrowToWide(std::string("ab\0cd", 5), 65001), L"ab");
  EXPECT_EQ(Utils::WideToNarrow(std::wstring(L"ab\0cd", 5), 65001), "ab");
}

TEST(Conversion, UnknownCodePageGivesEmpty) { EXPECT_EQ(Utils::NarrowToWide("abc", 12345), L""); }

TEST(UrlEncode, KeepsPrintableAsciiAndEncodesTheRest) {
  EXPECT_EQ(Utils::UrlEncode(L"a b/\u00fc"), L"a+b/%C3%BC");
  EXPECT_EQ(Utils::UrlEncode(L"http://h/x?a=1&b=%7E"), L"http://h/x?a=1&b=%7E");
  EXPECT_EQ(Utils::UrlEncode(L"\t\u4e2d\x7f"), L"%09%E4%B8%AD%7F");
}

struct Replacement {
  std::wstring text, what, with, expected;
};

TEST(ReplaceAll, ReplacesEveryOccurrence) {
  const Replacement cases[] = {
      {L"http://h/${ROUTE}/x", L"${ROUTE}", L"download_silent", L"http://h/download_silent/x"},
      {L"${ROUTE}/${ROUTE}", L"${ROUTE}", L"download_silent_xp", L"download_silent_xp/download_silent_xp"},
      {L"no placeholder", L"${ROUTE}", L"r", L"no placeholder"},
      {L"", L"${ROUTE}", L"r", L""},
      {L"abc", L"", L"x", L"abc"},
      // A replacement that holds the searched text must still end.
      {L"a${R}b${R}", L"${R}", L"[${R}]", L"a[${R}]b[${R}]"},
      {L"xx", L"x", L"xx", L"xxxx"},
  };
  for (const Replacement& c : cases) {
    EXPECT_EQ(Utils::ReplaceAll(c.text, c.what, c.with), c.expected) << Utils::WideToNarrow(c.text, 65001);
  }
}

TEST(Md5FromUrl, TakesTheNextToLastSegment) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://h/pkg/0123456789abcdef0123456789abcdef/lumavox.exe", "0123456789abcdef0123456789abcdef"},
      {"http://h/a/b", "a"},
      {"http://h/a/", "a"},
      {"file.exe", ""},
      {"/file.exe", ""},
      {"", ""},
  };
  for (const auto& [url, digest] : cases) EXPECT_EQ(Utils::Md5FromUrl(url), digest) << url;
}

}  // namespace
