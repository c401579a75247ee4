// What the SDK accepts: strings, keys, event names, ids, "$time" and
// "$project", and the records it builds from them.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "analytics/collector_client.h"
#include "analytics/sdk/properties_node.h"
#include "analytics/sdk/sdk.h"

using collect::DateTime;
using collect::PropertiesNode;
using collect::Sdk;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using testing_analytics::CollectorClient;
using testing_analytics::Normalized;
using testing_analytics::PropertyJson;
using testing_analytics::ScratchDir;

namespace {

constexpr char kLib[] = R"("lib":{"$lib":"cpp","$lib_method":"code","$lib_version":"0.9"})";

TEST(Utf8, ValidatorTable) {
  const struct {
    const char* bytes;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain text ~", true},
      {"\t\n\r", true},
      {"\x7f", false},  // DEL
      {"\x01", false},  // other control bytes
      {"\x1f", false},
      {"\x80", false},  // lone continuation bytes
      {"a\xbf", false},
      {"\xc0\x80", false},  // overlong forms
      {"\xc1\xbf", false},
      {"\xe0\x9f\xbf", false},
      {"\xf0\x8f\xbf\xbf", false},
      {"\xc2\x80", true},  // shortest forms at the range edges
      {"\xdf\xbf", true},
      {"\xe0\xa0\x80", true},
      {"\xed\x9f\xbf", true},   // U+D7FF
      {"\xed\xa0\x80", false},  // surrogates
      {"\xed\xbf\xbf", false},
      {"\xee\x80\x80", true},
      {"\xef\xbf\xbf", true},
      {"\xf0\x90\x80\x80", true},
      {"\xf3\xbf\xbf\xbf", true},
      {"\xf4\x8f\xbf\xbf", true},   // U+10FFFF
      {"\xf4\x90\x80\x80", false},  // beyond U+10FFFF
      {"\xf5\x80\x80\x80", false},
      {"\xff", false},
      {"\xc2", false},  // sequences cut by the end of the value
      {"\xe4\xb8", false},
      {"\xf0\x90\x80", false},
      {"\xe4\xb8\x41", false},  // a non-continuation byte inside a sequence
      {"\xe4\xb8\xad\xe6\x96\x87 ok", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(collect::IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(std::string(c.bytes));
  }
}

TEST(StringProperty, StoresUpTo8192BytesOfValidUtf8AndReportsTheRest) {
  const std::string longest(8192, 'x');
  const struct {
    std::string value;
    bool stored;
    std::string diagnostic;
  } cases[] = {
      {longest, true, ""},
      {longest + "x", false, "String property 'k' is too long, value: " + longest + "x\n"},
      {"bad\x7f", false, "String property 'k' is not valid UTF-8 string, value: bad\x7f\n"},
      {"\x80", false, "String property 'k' is not valid UTF-8 string, value: \x80\n"},
  };
  for (const auto& c : cases) {
    PropertiesNode properties;
    CaptureStderr();
    EXPECT_EQ(properties.SetString("k", c.value), c.stored);
    EXPECT_EQ(GetCapturedStderr(), c.diagnostic);
    EXPECT_EQ(properties.Find("k") != nullptr, c.stored) << c.value.size();
  }
}

TEST(NumberProperty, NonFiniteNumbersAreNotStored) {
  PropertiesNode properties;
  CaptureStderr();
  EXPECT_FALSE(properties.SetNumber("n", std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(properties.SetNumber("n", std::numeric_limits<double>::infinity()));
  const std::string err = GetCapturedStderr();
  EXPECT_NE(err.find("Number property 'n' is not a finite number"), std::string::npos) << err;
  EXPECT_TRUE(properties.Empty());
  EXPECT_TRUE(properties.SetNumber("n", 2.5));
  EXPECT_EQ(properties.ToJson(), R"({"n":2.5})");
}

TEST(SdkInstance, DistinctIdLimitsAndNoInstance) {
  ScratchDir dir("sdk-id");
  const struct {
    std::string id;
    bool ok;
    const char* diagnostic;
  } cases[] = {
      {"", false, "The Distinct ID is empty.\n"},
      {std::string(256, 'd'), false, "The Distinct ID is too long, max length is 255.\n"},
      {std::string(255, 'd'), true, ""},
  };
  for (const auto& c : cases) {
    CaptureStderr();
    EXPECT_EQ(Sdk::Init("http://127.0.0.1:9/sa", dir.path() + "s.txt", c.id, false), c.ok);
    EXPECT_EQ(GetCapturedStderr(), c.diagnostic);
    EXPECT_EQ(Sdk::IsInitialized(), c.ok);
    Sdk::Destroy();
  }
  // Without an instance every operation does nothing and answers false.
  PropertiesNode p;
  p.SetString("k", "v");
  EXPECT_FALSE(Sdk::Track("e", p));
  EXPECT_FALSE(Sdk::TrackSignup("user"));
  EXPECT_FALSE(Sdk::ProfileSet(p));
  EXPECT_FALSE(Sdk::Flush());
  EXPECT_FALSE(Sdk::AddSuperProperties(p));
  EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

class SdkRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Sdk::Init("http://127.0.0.1:9/sa", dir_.path() + "staging.txt", "dev-1", false));
  }
  void TearDown() override { Sdk::Destroy(); }
  std::vector<std::string> Records() { return Sdk::QueuedRecords(); }
  std::string Last() {
    const auto r = Records();
    return r.empty() ? "" : r.back();
  }
  ScratchDir dir_{"sdk-records"};
};

TEST_F(SdkRecords, ASecondInitChangesNothing) {
  EXPECT_TRUE(Sdk::Init("http://127.0.0.1:9/other", dir_.path() + "other.txt", "dev-2", true));
  EXPECT_EQ(Sdk::DistinctId(), "dev-1");
  EXPECT_FALSE(Sdk::IsLoginId());
}

TEST_F(SdkRecords, TrackRecordWithTimeFromProperty) {
  PropertiesNode p;
  p.SetDateTime("$time", DateTime{1700000000, 123});
  p.SetString("k", "v");
  ASSERT_TRUE(Sdk::Track("evt", p));
  EXPECT_EQ(Normalized(Last()), std::string(R"({"_track_id":N,"distinct_id":"dev-1","event":"evt",)") + kLib +
                                    R"(,"properties":{"$lib":"cpp","$lib_version":"0.9","k":"v"},)"
                                    R"("time":1700000000123,"type":"track"})");
}

TEST_F(SdkRecords, TrackIdIsNineDigitsEndingInTheClock) {
  ASSERT_TRUE(Sdk::Track("evt", PropertiesNode()));
  const std::string r = Last();
  const long long id = std::atoll(r.c_str() + r.find(':') + 1);
  const long long time = std::atoll(r.c_str() + r.find("\"time\":") + 7);
  EXPECT_GT(id, 0);
  EXPECT_LT(id, 1000000000LL);
  EXPECT_EQ(id % 10000, time % 10000);
}

TEST_F(SdkRecords, ProjectPropertyMovesToTheTopOrVanishesWhenEmpty) {
  const struct {
    const char* project;
    const char* top;
  } cases[] = {{"abc", R"("project":"abc",)"}, {"", ""}};
  for (const auto& c : cases) {
    PropertiesNode p;
    p.SetString("$project", c.project);
    p.SetDateTime("$time", DateTime{1, 0});
    ASSERT_TRUE(Sdk::Track("e", p));
    EXPECT_EQ(Normalized(Last()),
              std::string(R"({"_track_id":N,"distinct_id":"dev-1","event":"e",)") + kLib + "," + c.top +
                  R"("properties":{"$lib":"cpp","$lib_version":"0.9"},"time":1000,"type":"track"})");
  }
}

TEST_F(SdkRecords, KeyAndEventNameRules) {
  const struct {
    std::string name;
    const char* ending;  // empty: accepted
  } cases[] = {
      {"a", ""},
      {"$a", ""},
      {"_a", ""},
      {"Az09$_", ""},
      {std::string(100, 'k'), ""},
      {"", " is empty or too long, max length is 100"},
      {std::string(101, 'k'), " is empty or too long, max length is 100"},
      {"1a", " need to be a valid variable name."},
      {"a-b", " need to be a valid variable name."},
      {"a b", " need to be a valid variable name."},
      {"\xc3\xa9", " need to be a valid variable name."},
  };
  for (const auto& c : cases) {
    const bool ok = c.ending[0] == '\0';
    PropertiesNode p;
    p.SetInteger(c.name, 1);
    CaptureStderr();
    EXPECT_EQ(Sdk::Track("e", p), ok) << c.name;
    EXPECT_EQ(GetCapturedStderr(), ok ? "" : "The Property Key" + std::string(c.ending) + "\n");
    CaptureStderr();
    EXPECT_EQ(Sdk::Track(c.name, PropertiesNode()), ok) << c.name;
    EXPECT_EQ(GetCapturedStderr(), ok ? "" : "The Event Name" + std::string(c.ending) + "\n");
  }
  EXPECT_EQ(Records().size(), 10u);  // two per accepted name
}

TEST_F(SdkRecords, TimeAndProjectOfTheWrongKindFailTheWholeCall) {
  const struct {
    const char* key;
    const char* diagnostic;
  } cases[] = {{"$time", "The property '$time' should be DateTime type.\n"},
               {"$project", "The property '$project' should be String type.\n"}};
  for (const auto& c : cases) {
    PropertiesNode p;
    p.SetInteger(c.key, 5);
    if (std::string(c.key) == "$time") p.SetString(c.key, "2024-01-01");
    CaptureStderr();
    EXPECT_FALSE(Sdk::Track("e", p));
    EXPECT_EQ(GetCapturedStderr(), c.diagnostic);
  }
  EXPECT_TRUE(Records().empty());
}

TEST_F(SdkRecords, ProfileRecordsCarryNoEventAndNoSuperProperties) {
  PropertiesNode p;
  p.SetString("zt_os", "10");
  p.SetDateTime("$time", DateTime{2, 5});
  ASSERT_TRUE(Sdk::ProfileSet(p));
  ASSERT_TRUE(Sdk::ProfileSetOnce(p));
  ASSERT_TRUE(Sdk::ProfileIncrement(p));
  ASSERT_TRUE(Sdk::ProfileAppend("tags", {"a", "b"}));
  const auto records = Records();
  ASSERT_EQ(records.size(), 4u);
  const std::string head = std::string(R"({"_track_id":N,"distinct_id":"dev-1",)") + kLib;
  EXPECT_EQ(Normalized(records[0]), head + R"(,"properties":{"zt_os":"10"},"time":2005,"type":"profile_set"})");
  EXPECT_EQ(Normalized(records[1]), head + R"(,"properties":{"zt_os":"10"},"time":2005,"type":"profile_set_once"})");
  EXPECT_EQ(Normalized(records[2]), head + R"(,"properties":{"zt_os":"10"},"time":2005,"type":"profile_increment"})");
  EXPECT_EQ(Normalized(records[3], true),
            head + R"(,"properties":{"tags":["a","b"]},"time":N,"type":"profile_append"})");
}

TEST_F(SdkRecords, SignupSwitchesTheIdAndLaterRecordsAreMarkedLoggedIn) {
  PropertiesNode super;
  super.SetString("zt_app_id", "app");
  super.SetString("$lib", "replaced");
  ASSERT_TRUE(Sdk::AddSuperProperties(super));
  ASSERT_TRUE(Sdk::TrackSignup("user-7"));
  EXPECT_EQ(Sdk::DistinctId(), "user-7");
  EXPECT_TRUE(Sdk::IsLoginId());
  PropertiesNode p;
  p.SetDateTime("$time", DateTime{3, 0});
  ASSERT_TRUE(Sdk::Track("after", p));
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(Normalized(records[0], true),
            std::string(R"({"_track_id":N,"distinct_id":"user-7","event":"$SignUp",)") + kLib +
                R"(,"original_id":"dev-1","properties":{"$lib":"replaced","$lib_version":"0.9","zt_app_id":"app"},)"
                R"("time":N,"type":"track_signup"})");
  EXPECT_EQ(Normalized(records[1]),
            std::string(R"({"_track_id":N,"distinct_id":"user-7","event":"after",)") + kLib +
                R"(,"properties":{"$is_login_id":true,"$lib":"replaced","$lib_version":"0.9","zt_app_id":"app"},)"
                R"("time":3000,"type":"track"})");
}

TEST_F(SdkRecords, ActivityAlwaysCarriesTheInstallSource) {
  PropertiesNode none, given;
  none.SetDateTime("$time", DateTime{4, 0});
  given.SetDateTime("$time", DateTime{4, 0});
  given.SetString("$ios_install_source", "android_id=1");
  ASSERT_TRUE(Sdk::TrackActivity(none));
  ASSERT_TRUE(Sdk::TrackActivity(given));
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  const std::string head = std::string(R"({"_track_id":N,"distinct_id":"dev-1","event":"ZtEventActivity",)") + kLib;
  EXPECT_EQ(
      Normalized(records[0]),
      head +
          R"(,"properties":{"$ios_install_source":"","$lib":"cpp","$lib_version":"0.9"},"time":4000,"type":"track"})");
  EXPECT_EQ(Normalized(records[1]), head + R"(,"properties":{"$ios_install_source":"android_id=1","$lib":"cpp",)"
                                           R"("$lib_version":"0.9"},"time":4000,"type":"track"})");
}

TEST(SdkThreads, RecordsFromSeveralThreadsWhileFlushingAreNeitherLostNorMixed) {
  CollectorClient collector;
  ASSERT_TRUE(collector.available()) << "run through run_with_collector.py";
  collector.Clear();
  ScratchDir dir("sdk-threads");
  ASSERT_TRUE(Sdk::Init(collector.url(), dir.path() + "staging.txt", "dev-t", false));
  constexpr int kThreads = 4, kEach = 200;
  std::atomic<bool> done{false};
  std::thread flusher([&] {
    while (!done) Sdk::Flush();
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) {
        PropertiesNode p;
        p.SetInteger("thread", t);
        p.SetInteger("n", i);
        Sdk::Track("e", p);
      }
    });
  }
  for (auto& w : writers) w.join();
  done = true;
  flusher.join();
  EXPECT_TRUE(Sdk::Flush());
  Sdk::Destroy();

  std::set<std::string> seen;
  std::vector<int> next(kThreads, 0);
  for (const std::string& r : collector.Records()) {
    const int t = std::atoi(PropertyJson(r, "thread").c_str());
    const int n = std::atoi(PropertyJson(r, "n").c_str());
    ASSERT_TRUE(t >= 0 && t < kThreads) << r;
    EXPECT_EQ(n, next[t]++) << "thread " << t << " out of order";  // each thread's records keep their order
    EXPECT_TRUE(seen.insert(PropertyJson(r, "thread") + "/" + PropertyJson(r, "n")).second) << r;
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kEach));
}

}  // namespace
