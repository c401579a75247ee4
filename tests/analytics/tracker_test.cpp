// The tracker layer: vocabulary, context properties and the track
// operations, with the records checked as the local collector got them.
#include <gtest/gtest.h>

#include <functional>

#include "analytics/collector_client.h"
#include "analytics/sdk/sdk.h"
#include "analytics/tracker/tracker.h"
#include "analytics/tracker/zt_exception.h"

using namespace zelto::analytics;
using namespace testing_analytics;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::string RaisedBy(const std::function<void()>& f) {
  try {
    f();
  } catch (const ZtException& e) {
    return e.message();
  }
  return "(nothing raised)";
}

TEST(Vocabulary, TextFormsAndOutOfRangeMessages) {
  const struct {
    std::function<std::string()> last, beyond;
    const char* lastText;
    const char* message;
  } cases[] = {
      {[] { return toString(ZtEventKind(14)); }, [] { return toString(ZtEventKind(15)); }, "AppOpenNotification",
       "Unknown Event [15]!"},
      {[] { return toString(ZtResult(3)); }, [] { return toString(ZtResult(4)); }, "Unknown",
       "Unknown task result [4]!"},
      {[] { return toString(ZtClickType(4)); }, [] { return toString(ZtClickType(5)); }, "Others",
       "Unknown ClickType [5]!"},
      {[] { return toString(ZtUserType(11)); }, [] { return toString(ZtUserType(12)); }, "facebook",
       "Unknown user type [12]!"},
      {[] { return toString(ZtIoType(1)); }, [] { return toString(ZtIoType(2)); }, "Output", "the io type is invalid"},
      {[] { return toString(ZtCurrency(10)); }, [] { return toString(ZtCurrency(-1)); }, "GBP",
       "Unknown currency [-1]!"},
      {[] { return toString(ZtPaidPlatform(9)); }, [] { return toString(ZtPaidPlatform(10)); }, "ChinaUnionPay",
       "Unknown paid platform [10]!"},
      {[] { return toString(ZtIapType(3)); }, [] { return toString(ZtIapType(4)); }, "NonRenewable",
       "Unknown ztIapType [4]!"},
      {[] { return toString(ZtUpdateOp(4)); }, [] { return toString(ZtUpdateOp(5)); }, "UpgrateEnd",
       "Unknown ZtUpdateOp [5]!"},
      {[] { return toString(ZtUpdateResult(5)); }, [] { return toString(ZtUpdateResult(6)); }, "Updateable",
       "Unknown ZtUpdateResult [6]!"},
      {[] { return toString(ZtEdition(1)); }, [] { return toString(ZtEdition(2)); }, "overseas",
       "Unknown edition [2]!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.last(), c.lastText);
    EXPECT_EQ(RaisedBy([&] { c.beyond(); }), c.message);
  }
  EXPECT_EQ(toString(ZtEventKind::Task), "Task");
  EXPECT_EQ(toString(ZtEventKind::PaLaunchPal), "PaLaunchPal");
}

TEST(Vocabulary, ExceptionsNameTheirSource) {
  try {
    ZtContextProperties::isValidABValue("abcd");
    FAIL() << "nothing raised";
  } catch (const ZtException& e) {
    EXPECT_STREQ(e.what(), "value's length is great than 3.");
    EXPECT_EQ(e.file(), "ZtContextProperties");
    EXPECT_EQ(e.function(), "isValidABValue");
    EXPECT_GT(e.line(), 0);
    EXPECT_EQ(e.code(), -1);
    EXPECT_EQ(e.subCode(), -1);
  }
}

TEST(ContextProperties, ABValueRule) {
  const struct {
    const char* value;
    const char* outcome;  // "true", "false" or the message raised
  } cases[] = {
      {"", "false"},
      {"IN", "true"},
      {"A1", "true"},
      {"A", "true"},
      {"Z9Z", "true"},
      {"ABCD", "value's length is great than 3."},
      {"1N", "First char is not in A to Z"},
      {"in", "First char is not in A to Z"},
      {"Ab", "second char is not in A to Z and 0 to 9"},
      {"A-", "second char is not in A to Z and 0 to 9"},
      {"AB-", "third char is not in A to Z and 0 to 9"},
  };
  for (const auto& c : cases) {
    std::string outcome;
    try {
      outcome = ZtContextProperties::isValidABValue(c.value) ? "true" : "false";
    } catch (const ZtException& e) {
      outcome = e.message();
    }
    EXPECT_EQ(outcome, c.outcome) << c.value;
  }
}

TEST(ContextProperties, TheABMarkerGoesToTheListedKindsOnce) {
  ZtContextProperties context;
  context.setABProperty("IN", {7, 3});
  for (int kind = 0; kind < kEventKindCount; ++kind) {
    const auto& list = context.getEventProperties(kind);
    ASSERT_EQ(list.size(), kind == 7 || kind == 3 ? 1u : 0u) << kind;
    if (!list.empty()) {
      EXPECT_EQ(list[0].name, "ztc_ab");
      EXPECT_EQ(std::get<std::string>(*list[0].value), "IN");
    }
  }
  EXPECT_EQ(RaisedBy([&] { context.setABProperty("A1", {7}); }), "Property[ztc_ab] already exist!");
  EXPECT_EQ(RaisedBy([&] { context.getEventProperties(15); }), "ZtEvent[15] overflow!");
  ZtContextProperties other;
  EXPECT_EQ(RaisedBy([&] { other.setABProperty("IN", {15}); }), "ZtEvent[15] overflow!");
}

ZtTrackerCreateInfo InstallerInfo() {
  ZtTrackerCreateInfo info;
  info.appName = "lumavoxapp.downloader";
  info.appVersion = "1.7.9";
  info.appStore = "analytics_tracker_tests.exe";
  info.dlAppId = "lumavoxapp";
  return info;
}

ZtContextProperties WithAB(std::vector<int> kinds) {
  ZtContextProperties c;
  c.setABProperty("IN", kinds);
  return c;
}

class Tracker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(collector_.available()) << "run through run_with_collector.py";
    collector_.Clear();
  }
  void TearDown() override { releaseTracker(); }
  std::shared_ptr<AnalyticsTrackerWrapper> Start(const ZtTrackerCreateInfo& info = InstallerInfo()) {
    createTracker(info);
    return currentTracker();
  }
  std::vector<std::string> Received() const { return collector_.Records(); }

  CollectorClient collector_;
  AnalyticsSandbox sandbox_{"tracker", collector_.url()};
};

TEST_F(Tracker, ATaskRecordExactlyAsTheCollectorGetsIt) {
  auto tracker = Start();
  ZtEventTask task;
  task.name = "t1";
  task.aname = "a";
  task.reason = "why";
  task.elapsed = 2.5f;
  task.result = ZtResult::Unknown;  // not sent
  tracker->trackTask(task, WithAB({7}));
  EXPECT_EQ(tracker->inner()->pendingRecords(), 1);
  const std::string distinctId = sandbox_.Ini("Base", "DistinctId");
  tracker.reset();
  releaseTracker();

  const auto records = Received();
  ASSERT_EQ(records.size(), 1u);
  const LocaleInfo locale = CurrentLocale("");
  const ScreenSize screen = PrimaryScreenSize();
  EXPECT_EQ(Normalized(records[0], true),
            R"({"_track_id":N,"distinct_id":")" + distinctId +
                R"(","event":"ZtEventTask","lib":{"$lib":"cpp","$lib_method":"code","$lib_version":"0.9"},)"
                R"("properties":{"$app_id":"lumavoxapp.downloader","$app_version":"1.7.9","$is_first_time":true,)"
                R"("$lib":"cpp","$lib_version":"0.9","$os":"Windows","$os_version":")" +
                CurrentOsVersionText() + R"(","$screen_height":)" + std::to_string(screen.height) +
                R"(,"$screen_width":)" + std::to_string(screen.width) +
                R"(,"zt_aname":"a","zt_app_id":"lumavoxapp.downloader","zt_app_platform":"Windows",)"
                R"("zt_app_store":"analytics_tracker_tests.exe","zt_dlapp_id":"lumavoxapp","zt_edition":"china",)"
                R"("zt_l10n_country":")" +
                locale.country + R"(","zt_l10n_language":")" + locale.language + R"(","zt_l10n_locale":")" +
                locale.locale +
                R"(","zt_reason":"why","zt_sdk":"WindowsCPP","zt_sdk_version":"3.3.8","zt_task_elapsed":2.5,)"
                R"("zt_task_name":"t1","zt_track_type":"Client","ztc_ab":"IN"},"time":N,"type":"track"})");
  // The device id lives in the identity INI, tied to this endpoint.
  EXPECT_EQ(sandbox_.Ini("Base", "URL"), collector_.url());
  EXPECT_EQ(sandbox_.Ini("Base", "PrimaryDistinctId"), distinctId);
  EXPECT_EQ(sandbox_.Ini("UninstallInfo", "AppStore"), "analytics_tracker_tests.exe");
  EXPECT_EQ(sandbox_.Ini("UninstallInfo", "AppName"), "lumavoxapp.downloader");
  EXPECT_EQ(sandbox_.Ini("UninstallInfo", "AppVersion"), "1.7.9");
  EXPECT_TRUE(FileExists(sandbox_.logPath()));
  EXPECT_EQ(ReadFile(sandbox_.logPath()), "");  // no event is ever logged
}

TEST_F(Tracker, ClickViewAndTaskProperties) {
  auto tracker = Start();
  ZtEventClick click;
  click.name = "btn";
  click.tabIndex = 2;
  tracker->trackClick(click, ZtContextProperties());
  ZtEventClick button;
  button.name = "b2";
  button.clickType = ZtClickType::Button;
  tracker->trackClick(button, WithAB({3}));
  ZtEventView view;
  view.name = "page";
  view.title = "T";
  tracker->trackView(view, WithAB({4}));
  ZtEventTask success;
  success.name = "ok";
  success.result = ZtResult::Success;
  tracker->trackTask(success, WithAB({3}));  // the marker is for clicks only
  EXPECT_EQ(tracker->inner()->pendingRecords(), 2 + 2 + 2 + 1);
  tracker.reset();
  releaseTracker();

  const auto r = Received();
  ASSERT_EQ(r.size(), 4u);
  const struct {
    size_t record;
    const char* key;
    const char* json;  // empty: absent
  } cases[] = {
      {0, "zt_click_type", "\"Others\""},
      {0, "zt_name", "\"btn\""},
      {0, "zt_tab_index", "2"},
      {0, "ztc_ab", ""},
      {0, "zt_title", ""},
      {0, "$is_first_time", "true"},
      {1, "zt_click_type", "\"Button\""},
      {1, "ztc_ab", "\"IN\""},
      {2, "zt_name", "\"page\""},
      {2, "zt_title", "\"T\""},
      {2, "ztc_ab", "\"IN\""},
      {3, "zt_task_result", "\"Success\""},
      {3, "zt_task_elapsed", ""},
      {3, "ztc_ab", ""},
      {3, "zt_reason", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PropertyJson(r[c.record], c.key), c.json) << c.record << " " << c.key;
  EXPECT_NE(r[0].find("\"event\":\"ZtEventClick\""), std::string::npos);
  EXPECT_NE(r[2].find("\"event\":\"ZtEventView\""), std::string::npos);
}

TEST_F(Tracker, EveryFailedValidationEndsInTheWrapperWithNothingQueued) {
  auto tracker = Start();
  const ZtContextProperties none;
  ZtEventOrder order;
  order.ztSuitId = "s";
  order.ztCurrency = ZtCurrency::CNY;
  order.originalAmount = 1;
  ZtEventPayment payment;
  payment.ztOrderId = "o";
  payment.result = ZtResult::Cancelled;
  ZtEventUpdate update;
  update.operation = ZtUpdateOp::DownloadEnd;
  ZtEventShare share;
  share.result = ZtResult(9);
  ZtAppOpenNotification notification;
  notification.planId = "p";
  notification.planType = "t";
  const struct {
    std::function<void()> call;
    const char* line;
  } cases[] = {
      {[&] { tracker->trackTask(ZtEventTask(), none); }, "Failed to trackTask"},
      {[&] { tracker->trackClick(ZtEventClick(), none); }, "Failed to trackClick"},
      {[&] { tracker->trackView(ZtEventView(), none); }, "Failed to trackView"},
      {[&] { tracker->trackCashier(ZtEventCashier(), none); }, "Failed to trackCashier"},
      {[&] { tracker->trackShare(share, none); }, "Failed to trackShare"},
      {[&] { tracker->trackFile(ZtEventFile(), none); }, "Failed to trackFile"},
      {[&] { tracker->trackOrder(order, none); }, "Failed to trackOrder"},  // no paid amount
      {[&] { tracker->trackPayment(payment, none); }, "Failed to trackPayment"},
      {[&] { tracker->trackUpdate(update, none); }, "Failed to trackUpdate"},
      {[&] { tracker->trackAppOpenNotification(nullptr, none); }, "Failed to trackAppOpenNotification"},
      {[&] { tracker->trackAppOpenNotification(&notification, none); }, "Failed to trackAppOpenNotification"},
      {[&] {
         ZtUserInfo user;
         user.userType = ZtUserType(40);
         tracker->trackLogin(user, true, "", none);
       },
       "Failed to trackLogin"},
  };
  for (const auto& c : cases) {
    CaptureStdout();
    c.call();
    EXPECT_EQ(GetCapturedStdout(), std::string(c.line) + "\n");
  }
  EXPECT_TRUE(collect::Sdk::QueuedRecords().empty());
  EXPECT_EQ(tracker->inner()->pendingRecords(), 0);
}

TEST_F(Tracker, ACrashIsSentAtOnceWhenEventsArePending) {
  auto tracker = Start();
  ZtEventTask task;
  task.name = "before";
  tracker->trackTask(task, ZtContextProperties());
  tracker->trackCrash("\xe5\xb4\xa9\xe6\xba\x83");
  const auto r = Received();  // before any release
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(PropertyJson(r[1], "app_crashed_reason"), "\"\xe5\xb4\xa9\xe6\xba\x83\"");
  EXPECT_NE(r[1].find("\"event\":\"AppCrashed\""), std::string::npos);
  EXPECT_EQ(PropertyJson(r[1], "$is_first_time"), "");
  EXPECT_EQ(tracker->inner()->pendingRecords(), 0);
}

TEST_F(Tracker, WithNothingPendingACrashAndTheShutdownSendNothingAndTheRecordWaitsInTheStagingFile) {
  auto tracker = Start();
  EXPECT_EQ(tracker->inner()->paths().stagingPath, sandbox_.stagingPath());
  tracker->trackCrash("c");
  ASSERT_EQ(collect::Sdk::QueuedRecords().size(), 1u);
  tracker.reset();
  releaseTracker();
  EXPECT_TRUE(Received().empty());
  const auto staged = Lines(ReadFile(sandbox_.stagingPath()));
  ASSERT_EQ(staged.size(), 1u);
  EXPECT_NE(staged[0].find("\"event\":\"AppCrashed\""), std::string::npos);

  // The next tracker's first flush takes it along.
  tracker = Start();
  ZtEventTask task;
  task.name = "next";
  tracker->trackTask(task, ZtContextProperties());
  tracker.reset();
  releaseTracker();
  EXPECT_EQ(Received(), (std::vector<std::string>{staged[0], Received().back()}));
  EXPECT_EQ(Received().size(), 2u);
  EXPECT_EQ(ReadFile(sandbox_.stagingPath()), "");
}

TEST_F(Tracker, StoredIdentityAgainstTheCurrentEndpoint) {
  const std::string url = collector_.url();
  const struct {
    std::string storedUrl;
    const char* distinctInRecords;
    bool loggedIn;
  } cases[] = {
      {"http://old.example/sa?project=pc", "prim-1", false},  // another endpoint: back to the primary id
      {url, "user-1", true},
  };
  for (const auto& c : cases) {
    WriteFile(sandbox_.iniPath(),
              "[Base]\r\nisLogined=OK\r\nUserId=user-1\r\nDistinctId=user-1\r\n"
              "PrimaryDistinctId=prim-1\r\nURL=" +
                  c.storedUrl + "\r\n");
    collector_.Clear();
    auto tracker = Start();
    ZtEventTask task;
    task.name = "t";
    tracker->trackTask(task, ZtContextProperties());
    EXPECT_EQ(tracker->getPrimaryDistinctId(), "prim-1");
    tracker.reset();
    releaseTracker();
    const auto r = Received();
    ASSERT_EQ(r.size(), 1u) << c.storedUrl;
    EXPECT_NE(r[0].find(std::string("\"distinct_id\":\"") + c.distinctInRecords + "\""), std::string::npos) << r[0];
    EXPECT_EQ(PropertyJson(r[0], "$is_login_id"), c.loggedIn ? "true" : "") << c.storedUrl;
    EXPECT_EQ(PropertyJson(r[0], "zt_user_id"), c.loggedIn ? "\"user-1\"" : "") << c.storedUrl;
    EXPECT_EQ(sandbox_.Ini("Base", "isLogined"), c.loggedIn ? "OK" : "NG");
    EXPECT_EQ(sandbox_.Ini("Base", "UserId"), c.loggedIn ? "user-1" : "");
    EXPECT_EQ(sandbox_.Ini("Base", "DistinctId"), c.distinctInRecords);
    EXPECT_EQ(sandbox_.Ini("Base", "URL"), url);
  }
}

TEST_F(Tracker, LoginSignsUpOnceAndLaterRecordsCarryTheUser) {
  auto tracker = Start();
  const std::string device = tracker->getPrimaryDistinctId();
  ZtUserInfo user;
  user.userId = "u9";
  user.userType = ZtUserType::email;
  user.vipLevel = 2;
  tracker->trackLogin(user, true, "", ZtContextProperties());
  tracker->trackLogin(user, true, "", ZtContextProperties());  // already logged in: no second sign-up
  ZtEventTask task;
  task.name = "after";
  tracker->trackTask(task, ZtContextProperties());
  tracker.reset();
  releaseTracker();
  const auto r = Received();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_NE(r[0].find("\"distinct_id\":\"" + device + "\",\"event\":\"ZtEventLogin\""), std::string::npos) << r[0];
  EXPECT_EQ(PropertyJson(r[0], "zt_type"), "\"email\"");
  EXPECT_EQ(PropertyJson(r[0], "zt_login_id"), "\"u9\"");
  EXPECT_NE(r[1].find("\"distinct_id\":\"u9\",\"event\":\"$SignUp\""), std::string::npos) << r[1];
  EXPECT_NE(r[1].find("\"original_id\":\"" + device + "\""), std::string::npos) << r[1];
  EXPECT_NE(r[2].find("\"distinct_id\":\"u9\",\"event\":\"ZtEventLogin\""), std::string::npos) << r[2];
  EXPECT_EQ(PropertyJson(r[3], "$is_login_id"), "true");
  EXPECT_EQ(PropertyJson(r[3], "zt_user_id"), "\"u9\"");
  EXPECT_EQ(sandbox_.Ini("Base", "isLogined"), "OK");
  EXPECT_EQ(sandbox_.Ini("Base", "UserId"), "u9");
  EXPECT_EQ(sandbox_.Ini("Base", "UserVipLevel"), "2");
  EXPECT_EQ(sandbox_.Ini("Base", "PrimaryDistinctId"), device);
}

TEST_F(Tracker, ActivityAndPaymentSendTheirProfileRecordsAtOnce) {
  auto tracker = Start();
  tracker->trackActivity(ZtContextProperties());
  auto r = Received();
  ASSERT_EQ(r.size(), 11u);
  EXPECT_NE(r[0].find("\"event\":\"ZtEventActivity\""), std::string::npos);
  EXPECT_EQ(PropertyJson(r[0], "$user_agent"), "\"Mozilla/5.0(Windows " + CurrentOsVersionText() + "; Win64;)\"");
  EXPECT_EQ(PropertyJson(r[0], "$ios_install_source"), "\"android_id=123##imei=1234##mac=123\"");
  const char* types[] = {"profile_set_once", "profile_set_once", "profile_set", "profile_set", "profile_set",
                         "profile_set",      "profile_set",      "profile_set", "profile_set", "profile_set_once"};
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_NE(r[i + 1].find(std::string("\"type\":\"") + types[i] + "\""), std::string::npos) << r[i + 1];
  }
  EXPECT_EQ(PropertyJson(r[4], "zt_os"), "\"Windows\"");

  collector_.Clear();
  ZtEventPayment payment;
  payment.ztOrderId = "o1";
  payment.paidAmount = 9.9;
  payment.result = ZtResult::Success;
  tracker->trackPayment(payment, ZtContextProperties());
  r = Received();
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(PropertyJson(r[0], "zt_paid_platform"), "\"Alipay\"");
  EXPECT_EQ(PropertyJson(r[0], "zt_paid_amount"), "9.9");
  EXPECT_EQ(PropertyJson(r[0], "zt_cur_paid_amount"), "");
  EXPECT_EQ(PropertyJson(r[2], "zt_consumption"), "9.9");
  EXPECT_NE(r[2].find("\"type\":\"profile_increment\""), std::string::npos);
  EXPECT_EQ(sandbox_.Ini("Base", "UserVipLevel"), "1");
}

TEST_F(Tracker, SetLocaleChangesTheLocaleOfLaterRecords) {
  auto tracker = Start();
  tracker->setLocale("zh_CN");
  ZtEventTask task;
  task.name = "t";
  tracker->trackTask(task, ZtContextProperties());
  tracker.reset();
  releaseTracker();
  const auto r = Received();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(PropertyJson(r[0], "zt_l10n_locale"), "\"zh_CN\"");
  EXPECT_EQ(PropertyJson(r[0], "zt_l10n_language"), "\"zh\"");
  EXPECT_EQ(PropertyJson(r[0], "zt_l10n_country"), "\"CN\"");
}

TEST_F(Tracker, TheEndpointAndItsTrustComeFromTheEnvironment) {
  // LUMAVOX_ANALYTICS_URL and LUMAVOX_ANALYTICS_CA_FILE are read when the
  // tracker is created; with a CA bundle the endpoint must prove itself.
  const std::string tlsUrl = Env("LUMAVOX_COLLECTOR_TLS_URL");
  ASSERT_FALSE(tlsUrl.empty()) << "run through run_with_collector.py with openssl installed";
  CollectorClient tls(tlsUrl);
  const struct {
    std::string caFile;
    size_t received;
  } cases[] = {{Env("LUMAVOX_COLLECTOR_TLS_CA"), 1}, {Env("LUMAVOX_OTHER_TLS_CA"), 0}};
  for (const auto& c : cases) {
    tls.Clear();
    ::SetEnvironmentVariableA("LUMAVOX_ANALYTICS_URL", tlsUrl.c_str());
    ::SetEnvironmentVariableA("LUMAVOX_ANALYTICS_CA_FILE", c.caFile.c_str());
    auto tracker = Start();
    EXPECT_EQ(tracker->inner()->serverUrl(), tlsUrl);
    ZtEventTask task;
    task.name = "over tls";
    tracker->trackTask(task, ZtContextProperties());
    tracker.reset();
    testing::internal::CaptureStderr();
    releaseTracker();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(tls.Records().size(), c.received) << c.caFile;
    EXPECT_EQ(Lines(ReadFile(sandbox_.stagingPath())).size(), 1 - c.received) << c.caFile;
  }
  ::SetEnvironmentVariableA("LUMAVOX_ANALYTICS_CA_FILE", nullptr);
  ::SetEnvironmentVariableA("LUMAVOX_ANALYTICS_URL", collector_.url().c_str());
}

TEST_F(Tracker, AFailedInitLeavesATrackerThatQueuesNothingAndSaysNothing) {
  ZtTrackerCreateInfo info = InstallerInfo();
  info.appStore.clear();
  auto tracker = Start(info);
  ASSERT_TRUE(tracker);
  EXPECT_EQ(tracker->inner()->getLogger(), nullptr);
  ZtEventTask task;
  task.name = "t";
  CaptureStdout();
  tracker->trackTask(task, ZtContextProperties());
  tracker->trackTask(ZtEventTask(), ZtContextProperties());
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_FALSE(collect::Sdk::IsInitialized());
  tracker.reset();
  releaseTracker();
  EXPECT_TRUE(Received().empty());
  EXPECT_FALSE(FileExists(sandbox_.iniPath()));
}

}  // namespace
