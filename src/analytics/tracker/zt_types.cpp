#include "analytics/tracker/zt_types.h"

#include "analytics/tracker/zt_exception.h"

namespace zelto {
namespace analytics {

namespace {

template <typename Enum, size_t N>
std::string Name(Enum v, const char* const (&names)[N], const char* prefix, const char* suffix = "]!") {
  const int n = static_cast<int>(v);
  if (n >= 0 && static_cast<size_t>(n) < N) return names[n];
  ZT_RAISE("AnalyticsTrackerImpl", "toString", std::string(prefix) + std::to_string(n) + suffix);
}

}  // namespace

std::string toString(ZtEventKind v) {
  static const char* const names[] = {"Activity", "PaLaunchPal", "Login",  "Click",   "View",
                                      "Cashier",  "Share",       "Task",   "File",    "Order",
                                      "Payment",  "Uninstall",   "Update", "Crashed", "AppOpenNotification"};
  return Name(v, names, "Unknown Event [");
}

std::string toString(ZtResult v) {
  static const char* const names[] = {"Success", "Cancelled", "Fail", "Unknown"};
  return Name(v, names, "Unknown task result [");
}

std::string toString(ZtClickType v) {
  static const char* const names[] = {"Button", "Banner", "Tutorial", "File", "Others"};
  return Name(v, names, "Unknown ClickType [");
}

std::string toString(ZtUserType v) {
  static const char* const names[] = {"unknown", "mobilephone", "email", "weixin",      "qq",     "deviceid",
                                      "baidu",   "huawei",      "apple", "zeltouserid", "google", "facebook"};
  return Name(v, names, "Unknown user type [");
}

std::string toString(ZtIoType v) {
  const int n = static_cast<int>(v);
  if (n == 0) return "Input";
  if (n == 1) return "Output";
  ZT_RAISE("AnalyticsTrackerImpl", "toString", "the io type is invalid");
}

std::string toString(ZtCurrency v) {
  static const char* const names[] = {"CNY", "USD", "EUR", "HKD", "TWD", "MOP", "SGD", "JPY", "KRW", "INR", "GBP"};
  return Name(v, names, "Unknown currency [");
}

std::string toString(ZtPaidPlatform v) {
  static const char* const names[] = {"Alipay",    "WeChatPay", "PayPal",   "Tenpay", "CIECC",
                                      "GooglePay", "HuaweiPay", "AppleIAP", "Paddle", "ChinaUnionPay"};
  return Name(v, names, "Unknown paid platform [");
}

std::string toString(ZtIapType v) {
  static const char* const names[] = {"Consumable", "NonConsumable", "AutoRenewable", "NonRenewable"};
  return Name(v, names, "Unknown ztIapType [");
}

std::string toString(ZtUpdateOp v) {
  static const char* const names[] = {"UpdateCheck", "DownloadStart", "DownloadEnd", "UpgrateStart", "UpgrateEnd"};
  return Name(v, names, "Unknown ZtUpdateOp [");
}

std::string toString(ZtUpdateResult v) {
  static const char* const names[] = {"Success", "Cancelled", "Timeout", "Fail", "Latest", "Updateable"};
  return Name(v, names, "Unknown ZtUpdateResult [");
}

std::string toString(ZtEdition v) {
  static const char* const names[] = {"china", "overseas"};
  return Name(v, names, "Unknown edition [");
}

}  // namespace analytics
}  // namespace zelto
