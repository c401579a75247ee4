#include "analytics/tracker/native_user_tracker.h"

#include <unordered_map>

#include "analytics/sdk/sdk.h"
#include "analytics/tracker/zt_exception.h"

namespace zelto {
namespace analytics {

namespace {

constexpr char kFile[] = "NativeUserTracker";

const std::unordered_map<std::string, NativeUserTracker::Operation>& Operations() {
  using Op = NativeUserTracker::Operation;
  static const std::unordered_map<std::string, Op> table = [] {
    std::unordered_map<std::string, Op> t;
    for (const char* key : {"$first_visit_time", "zt_first_visit_date", "$ios_install_source", "zt_first_paid_date"})
      t[key] = Op::SetOnce;
    for (const char* key : {"zt_visit_count", "zt_paid_count", "zt_consumption"}) t[key] = Op::Increment;
    for (const char* key : {"zt_label",
                            "zt_os",
                            "zt_os_version",
                            "zt_manufacturer",
                            "zt_model",
                            "zt_app_store",
                            "zt_app_platform",
                            "zt_last_app_id",
                            "zt_last_app_version",
                            "zt_carrier",
                            "zt_last_visit_date",
                            "aurora_pushid",
                            "zt_user_id",
                            "zt_user_name",
                            "zt_user_type",
                            "zt_user_nickname",
                            "zt_user_portrait",
                            "zt_user_mobilephone",
                            "zt_user_email",
                            "zt_user_weixin",
                            "zt_user_qq",
                            "zt_user_did",
                            "zt_user_created",
                            "zt_user_last_login",
                            "zt_user_last_ip",
                            "zt_user_vip_level",
                            "zt_user_vip_enddate",
                            "idfa",
                            "imei",
                            "android_id",
                            "oaid",
                            "zt_ip",
                            "zt_country_code",
                            "zt_country",
                            "zt_province",
                            "zt_city",
                            "zt_last_paid_date"})
      t[key] = Op::Set;
    return t;
  }();
  return table;
}

bool SendProfile(NativeUserTracker::Operation op, const collect::PropertiesNode& properties) {
  switch (op) {
    case NativeUserTracker::Operation::Set:
      return collect::Sdk::ProfileSet(properties);
    case NativeUserTracker::Operation::SetOnce:
      return collect::Sdk::ProfileSetOnce(properties);
    case NativeUserTracker::Operation::Increment:
      return collect::Sdk::ProfileIncrement(properties);
    case NativeUserTracker::Operation::Append:
      break;
  }
  return false;
}

}  // namespace

NativeUserTracker::Operation NativeUserTracker::operationOf(const std::string& key) {
  const auto it = Operations().find(key);
  if (it == Operations().end()) ZT_RAISE(kFile, "operationOf", "Not supported user property [" + key + "]!");
  return it->second;
}

void NativeUserTracker::ProfileUserPropertyString(const std::string& key, const std::string& value) {
  const Operation op = operationOf(key);
  if (op == Operation::Increment || op == Operation::Append) {
    ZT_RAISE(kFile, "ProfileUserPropertyString",
             "user property [" + key + "] is string type value, it cannot be accumulated!");
  }
  collect::PropertiesNode properties;
  properties.SetString(key, value);
  SendProfile(op, properties);
  ++pending_;
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& key, double value) {
  const Operation op = operationOf(key);
  if (op == Operation::Append) {
    ZT_RAISE(kFile, "ProfileUserPropertyNumber",
             "user property [" + key + "] is number value, it cannot be append to list!");
  }
  collect::PropertiesNode properties;
  properties.SetNumber(key, value);
  SendProfile(op, properties);
  ++pending_;
}

void NativeUserTracker::ProfileUserPropertyDateTime(const std::string& key, const collect::DateTime& value) {
  const Operation op = operationOf(key);
  if (op == Operation::Increment) {
    ZT_RAISE(kFile, "ProfileUserPropertyDateTime",
             "user property [" + key + "] is boolean value, it cannot be accumulative!");
  }
  if (op == Operation::Append) {
    ZT_RAISE(kFile, "ProfileUserPropertyDateTime",
             "user property [" + key + "] is boolean value, it cannot be append to list!");
  }
  collect::PropertiesNode properties;
  properties.SetDateTime(key, value);
  SendProfile(op, properties);
  ++pending_;
}

}  // namespace analytics
}  // namespace zelto
