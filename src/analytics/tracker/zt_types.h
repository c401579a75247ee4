#pragma once
// The tracker layer's vocabulary: event kinds, enumerations with their text
// forms, the event records and the creation info.

#include <optional>
#include <string>

namespace zelto {
namespace analytics {

// Also the index of an event kind's context properties.
enum class ZtEventKind : int {
  Activity = 0,
  PaLaunchPal = 1,
  Login = 2,
  Click = 3,
  View = 4,
  Cashier = 5,
  Share = 6,
  Task = 7,
  File = 8,
  Order = 9,
  Payment = 10,
  Uninstall = 11,
  Update = 12,
  Crashed = 13,
  AppOpenNotification = 14,
};
constexpr int kEventKindCount = 15;

enum class ZtResult : int { Success, Cancelled, Fail, Unknown };
enum class ZtClickType : int { Button, Banner, Tutorial, File, Others };
enum class ZtUserType : int {
  unknown,
  mobilephone,
  email,
  weixin,
  qq,
  deviceid,
  baidu,
  huawei,
  apple,
  zeltouserid,
  google,
  facebook
};
enum class ZtIoType : int { Input, Output };
enum class ZtCurrency : int { CNY, USD, EUR, HKD, TWD, MOP, SGD, JPY, KRW, INR, GBP };
enum class ZtPaidPlatform : int {
  Alipay,
  WeChatPay,
  PayPal,
  Tenpay,
  CIECC,
  GooglePay,
  HuaweiPay,
  AppleIAP,
  Paddle,
  ChinaUnionPay
};
enum class ZtIapType : int { Consumable, NonConsumable, AutoRenewable, NonRenewable };
enum class ZtUpdateOp : int { UpdateCheck, DownloadStart, DownloadEnd, UpgrateStart, UpgrateEnd };
enum class ZtUpdateResult : int { Success, Cancelled, Timeout, Fail, Latest, Updateable };
enum class ZtEdition : int { china, overseas };

// Text forms; a value out of range raises ZtException.
std::string toString(ZtEventKind v);
std::string toString(ZtResult v);
std::string toString(ZtClickType v);
std::string toString(ZtUserType v);
std::string toString(ZtIoType v);
std::string toString(ZtCurrency v);
std::string toString(ZtPaidPlatform v);
std::string toString(ZtIapType v);
std::string toString(ZtUpdateOp v);
std::string toString(ZtUpdateResult v);
std::string toString(ZtEdition v);

struct ZtEventClick {
  std::string aname;
  std::string name;  // required
  ZtClickType clickType = ZtClickType::Others;
  std::string title, module, position;
  std::optional<int> tabIndex;
  std::string tabName;
  std::optional<int> bannerIndex;
  std::string bannerName;
};

struct ZtEventView {
  std::string aname;
  std::string name;  // required
  std::string title, position;
};

struct ZtEventTask {
  std::string aname;
  std::string name;  // required
  std::string reason;
  std::optional<float> elapsed;
  std::optional<ZtResult> result;  // sent for Success, Cancelled and Fail
};

struct ZtEventCashier {
  std::string cashierName;  // required
  std::string cashierTitle, subitem;
};

struct ZtEventShare {
  std::string aname, channel, position, sharedName;
  std::optional<ZtResult> result;
};

struct ZtEventFile {
  std::string aname;  // required
  std::optional<ZtIoType> ioType;
  std::optional<ZtResult> result;  // sent for Success, Cancelled and Fail
  std::string name, ext;
  std::optional<double> size;  // sent when above 0
  std::optional<int> duration, width, height, depth;
  std::optional<float> fps, bps;
};

struct ZtEventOrder {
  std::string ztSuitId;                  // required
  std::optional<ZtCurrency> ztCurrency;  // required
  double originalAmount = 0;             // required above 0
  double paidAmount = 0;                 // required above 0
  std::string orderId, subitem, sku;
  std::optional<int> campaignCode;
  std::string voucherId;
  double curOriginalAmount = 0, curPaidAmount = 0;  // sent when above 0
  std::string cashierName, cashierTitle;
};

struct ZtEventPayment {
  std::string ztOrderId;                      // required
  double paidAmount = 0, originalAmount = 0;  // not negative
  std::optional<ZtResult> result;             // required, Success or Fail
  ZtPaidPlatform paidPlatform = ZtPaidPlatform::Alipay;
  std::optional<ZtCurrency> currency;
  std::string suitId, subitem, sku;
  std::optional<int> campaignCode;
  std::string voucherId, usedVoucherId;
  std::optional<ZtIapType> iapType;
  double curOriginalAmount = 0, curPaidAmount = 0;  // sent when above 0
  std::string cashierName, cashierTitle;
};

struct ZtEventUpdate {
  ZtUpdateOp operation = ZtUpdateOp::UpdateCheck;
  std::optional<ZtUpdateResult> result;  // required for DownloadEnd and UpgrateEnd
  std::optional<float> elapsed;          // likewise
};

struct ZtAppOpenNotification {
  std::string planId, planType, msgTitle;  // required
  std::string msgContent, linkUrl, audienceId, planStrategyId, strategyUnitId;
};

struct ZtUserInfo {
  std::string userId, name;
  ZtUserType userType = ZtUserType::unknown;
  std::string nickname, portrait, mobilePhone, email, weixin, qq, did, createdTime, lastIp, lastLoginTime;
  int vipLevel = 0;
  std::string vipEndDate;
};

struct ZtTrackerCreateInfo {
  std::string appName;     // "zt_app_id" and "$app_id"; names the data folder
  std::string appVersion;  // "$app_version"
  std::string appStore;    // "zt_app_store"
  std::string dlAppId;     // "zt_dlapp_id" when not empty
  std::string dlAppVersion;
  std::string logPath;    // empty: beside the identity INI
  std::string serverUrl;  // empty: the default collection URL
  ZtEdition edition = ZtEdition::china;
};

}  // namespace analytics
}  // namespace zelto
