// JSON form of values and objects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>

#include "analytics/sdk/properties_node.h"

using collect::DateTime;
using collect::PropertyValue;
using collect::utils::ObjectNode;

namespace {

std::string Json(const PropertyValue& v) {
  std::string out;
  v.AppendJson(out);
  return out;
}

TEST(Serialization, ValuesOfEveryTag) {
  const struct {
    PropertyValue value;
    const char* json;
  } cases[] = {
      {PropertyValue(0.0), "0"},
      {PropertyValue(12.5), "12.5"},
      {PropertyValue(2.5), "2.5"},
      {PropertyValue(1234567.0), "1.23457e+06"},
      {PropertyValue(-0.000001), "-1e-06"},
      {PropertyValue(100000.0), "100000"},
      {PropertyValue(1.0 / 3), "0.333333"},
      {PropertyValue(int64_t{-42}), "-42"},
      {PropertyValue(std::numeric_limits<int64_t>::max()), "9223372036854775807"},
      {PropertyValue(true), "true"},
      {PropertyValue(false), "false"},
      {PropertyValue(std::vector<std::string>{}), "[]"},
      {PropertyValue(std::vector<std::string>{"a", "b\"c", "\t"}), R"(["a","b\"c","\t"])"},
      // The seven escapes, and nothing else escaped: not 0x01, "/", 0x7F or UTF-8.
      {PropertyValue(std::string("\b\t\n\f\r\"\\")), R"("\b\t\n\f\r\"\\")"},
      {PropertyValue(std::string("a\x01z")), "\"a\x01z\""},
      {PropertyValue(std::string("/\x7f")), "\"/\x7f\""},
      {PropertyValue(std::string("\xe6\xb1\x89\xe5\xad\x97")), "\"\xe6\xb1\x89\xe5\xad\x97\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Json(c.value), c.json) << "tag " << c.value.tag();
}

TEST(Serialization, TagsAreFixed) {
  EXPECT_EQ(PropertyValue(1.0).tag(), 0);
  EXPECT_EQ(PropertyValue(int64_t{1}).tag(), 1);
  EXPECT_EQ(PropertyValue(std::string()).tag(), 2);
  EXPECT_EQ(PropertyValue(std::vector<std::string>{}).tag(), 3);
  EXPECT_EQ(PropertyValue(DateTime{}).tag(), 4);
  EXPECT_EQ(PropertyValue(true).tag(), 5);
  EXPECT_EQ(PropertyValue(ObjectNode()).tag(), 6);
}

TEST(Serialization, KeysInByteOrderWrittenRawWithoutWhitespace) {
  ObjectNode node;
  for (const char* key : {"b", "_x", "\xc3\xa9", "$a", "Z", "a", "A", "_", "z"}) node.SetInteger(key, 1);
  node.SetString("q\"k", "v");  // keys are written as they are
  EXPECT_EQ(node.ToJson(),
            "{\"$a\":1,\"A\":1,\"Z\":1,\"_\":1,\"_x\":1,\"a\":1,\"b\":1,\"q\"k\":\"v\",\"z\":1,\"\xc3\xa9\":1}");
}

TEST(Serialization, SettingAKeyAgainReplacesItsValueAndObjectsNest) {
  ObjectNode inner;
  inner.SetBool("on", true);
  ObjectNode node;
  node.SetString("k", "first");
  node.SetNumber("k", 1.5);
  node.SetObject("o", inner);
  EXPECT_EQ(node.ToJson(), R"({"k":1.5,"o":{"on":true}})");
  EXPECT_EQ(ObjectNode().ToJson(), "{}");
}

TEST(Serialization, PropertiesNeverHoldObjects) {
  collect::PropertiesNode properties;
  properties.SetObject("o", ObjectNode());
  properties.SetInteger("n", 7);
  EXPECT_EQ(properties.ToJson(), R"({"n":7})");
}

class LocalTime : public ::testing::Test {
 protected:
  // A zone three hours east of UTC without daylight saving, so local time
  // and UTC differ whatever the machine's zone.
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    saved_ = tz ? tz : "";
    _putenv_s("TZ", "XYZ-3");
    _tzset();
  }
  void TearDown() override {
    _putenv_s("TZ", saved_.c_str());
    _tzset();
  }
  std::string saved_;
};

TEST_F(LocalTime, DateTimesArePrintedInLocalTime) {
  const struct {
    DateTime value;
    const char* json;
  } cases[] = {
      {{0, 7}, "\"1970-01-01 03:00:00.007\""},
      {{1700000000, 123}, "\"2023-11-15 01:13:20.123\""},
      {{951782400 + 21 * 3600, 999}, "\"2000-03-01 00:00:00.999\""},  // 2000-02-29 21:00 UTC
  };
  for (const auto& c : cases) EXPECT_EQ(Json(PropertyValue(c.value)), c.json) << c.value.seconds;
}

}  // namespace
