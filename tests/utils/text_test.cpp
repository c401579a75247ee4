#include <gtest/gtest.h>

#include "utils/text.h"

TEST(UrlEncode, KeepsPrintableAsciiAndEncodesTheRest) {
  EXPECT_EQ(Utils::UrlEncode(L"a b/\u00fc"), L"a+b/%C3%BC");
}
