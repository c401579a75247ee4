#include "analytics/tracker/analytics_tracker_impl.h"

#include <windows.h>

#include <thread>

#include "analytics/sdk/sdk.h"
#include "analytics/tracker/environment.h"
#include "analytics/tracker/zt_exception.h"

#ifndef LUMAVOX_ANALYTICS_DEFAULT_URL
#define LUMAVOX_ANALYTICS_DEFAULT_URL "https://sa.zeltosoft.com/sa?project=pc"
#endif

namespace zelto {
namespace analytics {

using collect::PropertiesNode;
using collect::Sdk;

namespace {

constexpr char kFile[] = "AnalyticsTrackerImpl";
constexpr char kInstallSource[] = "android_id=123##imei=1234##mac=123";
constexpr int kFlushAttempts = 3;

std::string EnvironmentValue(const char* name) {
  char value[2048] = {};
  const DWORD n = ::GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

void SetIfNotEmpty(PropertiesNode& p, const char* key, const std::string& value) {
  if (!value.empty()) p.SetString(key, value);
}

void SetIfPositive(PropertiesNode& p, const char* key, double value) {
  if (value > 0) p.SetNumber(key, value);
}

template <typename T>
void SetIfPresent(PropertiesNode& p, const char* key, const std::optional<T>& value) {
  if (value) p.SetNumber(key, *value);
}

void SetIfPresent(PropertiesNode& p, const char* key, const std::optional<int>& value) {
  if (value) p.SetInteger(key, *value);
}

// Success, Cancelled and Fail are reported; Unknown is left out.
bool IsReportedResult(ZtResult r) { return static_cast<int>(r) >= 0 && static_cast<int>(r) <= 2; }

collect::DateTime Now() {
  using namespace std::chrono;
  const int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  return {ms / 1000, static_cast<int>(ms % 1000)};
}

}  // namespace

std::string DefaultCollectionUrl() {
  const std::string configured = EnvironmentValue("LUMAVOX_ANALYTICS_URL");
  return configured.empty() ? std::string(LUMAVOX_ANALYTICS_DEFAULT_URL) : configured;
}

std::string CollectionCaFile() { return EnvironmentValue("LUMAVOX_ANALYTICS_CA_FILE"); }

AnalyticsTrackerImpl::AnalyticsTrackerImpl(const ZtTrackerCreateInfo& info)
    : appName_(info.appName),
      appVersion_(info.appVersion),
      appStore_(info.appStore),
      dlAppId_(info.dlAppId),
      dlAppVersion_(info.dlAppVersion),
      logPath_(info.logPath),
      serverUrl_(info.serverUrl),
      edition_(info.edition) {}

AnalyticsTrackerImpl::~AnalyticsTrackerImpl() {
  {
    const std::lock_guard<std::mutex> lock(identityLock_);
    if (identityLoaded_) SaveIdentity(paths_.iniPath, identity_);
  }
  if (sdkStarted_) {
    if (pending_ > 0) {
      for (int attempt = 0; attempt < kFlushAttempts; ++attempt) {
        if (Sdk::Flush()) {
          pending_ = 0;
          break;
        }
      }
    }
    Sdk::Destroy();  // stages whatever is still queued
  }
  logger_.reset();
}

void AnalyticsTrackerImpl::init() {
  logEvents_ = false;
  if (appName_.empty()) ZT_RAISE(kFile, "init", "appName is empty");
  if (appVersion_.empty()) ZT_RAISE(kFile, "init", "appVersion is empty");
  if (appStore_.empty()) ZT_RAISE(kFile, "init", "appStore is empty");
  pending_ = 0;

  const OsVersion version = ReadOsVersion();
  std::string sdkId;
  bool loggedIn = false;
  {
    const std::lock_guard<std::mutex> lock(identityLock_);
    paths_ = LocateAnalyticsFiles(SettingsFileBesideProgram(), appName_, version);
    if (serverUrl_.empty()) serverUrl_ = DefaultCollectionUrl();

    identity_ = LoadIdentity(paths_.iniPath);
    identityLoaded_ = true;
    // An identity belongs to one endpoint: on another one the device starts
    // over from its primary id, logged out.
    if (identity_.url != serverUrl_ || identity_.distinctId.empty()) {
      identity_.userId.clear();
      identity_.isLogined = false;
      if (identity_.primaryDistinctId.empty()) {
        identity_.distinctId = NewDistinctId();
        identity_.primaryDistinctId = identity_.distinctId;
      } else {
        identity_.distinctId = identity_.primaryDistinctId;
      }
      identity_.url = serverUrl_;
      SaveIdentity(paths_.iniPath, identity_);
    }
    if (identity_.userId.empty()) identity_.isLogined = false;
    loggedIn = identity_.isLogined;
    sdkId = loggedIn ? identity_.userId : identity_.distinctId;
  }

  if (logPath_.empty()) logPath_ = paths_.logPath;
  logger_ = std::make_unique<NativeTrackLogger>(logPath_);

  // Unsent records wait in a file of the data folder for the next run.
  if (!Sdk::Init(std::make_unique<collect::RecordSender>(serverUrl_, CollectionCaFile()), paths_.stagingPath, sdkId,
                 loggedIn)) {
    ZT_RAISE(kFile, "init", "collect::Sdk::Init is failed");
  }
  sdkStarted_ = true;

  osVersion_ = OsVersionText(version, Is64BitFlag(), HasServerR2Flag());
  PropertiesNode common;
  common.SetString("zt_app_id", appName_);
  common.SetString("$app_id", appName_);
  common.SetString("$app_version", appVersion_);
  common.SetString("zt_app_store", appStore_);
  common.SetString("zt_edition", toString(edition_));
  SetIfNotEmpty(common, "zt_dlapp_id", dlAppId_);
  SetIfNotEmpty(common, "zt_dlapp_version", dlAppVersion_);
  common.SetString("zt_app_platform", kOsName);
  common.SetString("zt_track_type", "Client");
  common.SetString("zt_sdk_version", "3.3.8");
  common.SetString("zt_sdk", "WindowsCPP");
  common.SetString("$os", kOsName);
  common.SetString("$os_version", osVersion_);
  common.MergeFrom(localeProperties());
  const ScreenSize screen = PrimaryScreenSize();
  common.SetInteger("$screen_height", screen.height);
  common.SetInteger("$screen_width", screen.width);
  {
    const std::lock_guard<std::mutex> lock(identityLock_);
    SetIfNotEmpty(common, "zt_user_id", identity_.userId);
  }
  Sdk::AddSuperProperties(common);

  const char* ini = paths_.iniPath.c_str();
  ::WritePrivateProfileStringA("UninstallInfo", "AppStore", appStore_.c_str(), ini);
  ::WritePrivateProfileStringA("UninstallInfo", "AppName", appName_.c_str(), ini);
  ::WritePrivateProfileStringA("UninstallInfo", "AppVersion", appVersion_.c_str(), ini);
}

Identity AnalyticsTrackerImpl::identity() const {
  const std::lock_guard<std::mutex> lock(identityLock_);
  return identity_;
}

PropertiesNode AnalyticsTrackerImpl::localeProperties() const {
  std::string override;
  {
    const std::lock_guard<std::mutex> lock(identityLock_);
    override = localeOverride_;
  }
  const LocaleInfo locale = CurrentLocale(override);
  PropertiesNode p;
  p.SetString("zt_l10n_locale", locale.locale);
  p.SetString("zt_l10n_language", locale.language);
  p.SetString("zt_l10n_country", locale.country);
  return p;
}

void AnalyticsTrackerImpl::pause() const {
  if (pause_.count() > 0) std::this_thread::sleep_for(pause_);
}

void AnalyticsTrackerImpl::queue(const std::string& eventName, const PropertiesNode& properties) {
  Sdk::Track(eventName, properties);
  if (logEvents_ && logger_) logger_->log(eventName + " " + properties.ToJson());
}

void AnalyticsTrackerImpl::finishOrdinary() {
  pause();
  ++pending_;
}

void AnalyticsTrackerImpl::flushSynchronous() {
  for (int attempt = 0; attempt < kFlushAttempts && pending_ > 0; ++attempt) {
    if (Sdk::Flush()) {
      pending_ = 0;
      return;
    }
    pause();
  }
}

void AnalyticsTrackerImpl::trackActivity(const ZtContextProperties& context) {
  PropertiesNode p;
  context.writeTo(ZtEventKind::Activity, p);
  SetIfNotEmpty(p, "zt_app_store", appStore_);
  SetIfNotEmpty(p, "zt_app_id", appName_);
  SetIfNotEmpty(p, "$app_id", appName_);
  SetIfNotEmpty(p, "$app_version", appVersion_);
  p.SetString("$ios_install_source", kInstallSource);
  SetIfNotEmpty(p, "$user_agent", UserAgentText(kOsName, osVersion_, Is64BitFlag()));
  p.SetBool("$is_first_time", true);
  p.SetString("$os", kOsName);
  p.SetString("$os_version", osVersion_);
  Sdk::TrackActivity(p);

  const collect::DateTime now = Now();
  users_.ProfileUserPropertyDateTime("$first_visit_time", now);
  users_.ProfileUserPropertyDateTime("zt_first_visit_date", now);
  users_.ProfileUserPropertyDateTime("zt_last_visit_date", now);
  users_.ProfileUserPropertyString("zt_os", kOsName);
  users_.ProfileUserPropertyString("zt_os_version", osVersion_);
  users_.ProfileUserPropertyString("zt_app_store", appStore_);
  users_.ProfileUserPropertyString("zt_app_platform", kOsName);
  users_.ProfileUserPropertyString("zt_last_app_id", appName_);
  users_.ProfileUserPropertyString("zt_last_app_version", appVersion_);
  users_.ProfileUserPropertyString("$ios_install_source", kInstallSource);
  flushSynchronous();
}

void AnalyticsTrackerImpl::trackLaunch(const ZtContextProperties& context) {
  PropertiesNode p;
  context.writeTo(ZtEventKind::PaLaunchPal, p);
  queue("ZtEventLaunch", p);
  bool hasUser = false;
  {
    const std::lock_guard<std::mutex> lock(identityLock_);
    hasUser = !identity_.userId.empty();
  }
  if (hasUser) {
    const collect::DateTime now = Now();
    users_.ProfileUserPropertyDateTime("$first_visit_time", now);
    users_.ProfileUserPropertyDateTime("zt_first_visit_date", now);
    users_.ProfileUserPropertyDateTime("zt_last_visit_date", now);
  }
  flushSynchronous();
}

void AnalyticsTrackerImpl::trackLogin(const ZtUserInfo& user, bool success, const std::string& reason,
                                      const ZtContextProperties& context) {
  PropertiesNode p;
  p.SetString("zt_type", toString(user.userType));
  p.SetString("zt_result", success ? "Success" : "Fail");
  SetIfNotEmpty(p, "zt_reason", reason);
  if (!user.userId.empty()) {
    p.SetString("zt_user_id", user.userId);
    p.SetString("zt_login_id", user.userId);
    p.SetBool("$is_first_time", true);
  }
  context.writeTo(ZtEventKind::Login, p);
  queue("ZtEventLogin", p);

  if (!user.userId.empty()) {
    bool signUp = false;
    {
      const std::lock_guard<std::mutex> lock(identityLock_);
      identity_.vipLevel = user.vipLevel;
      signUp = !identity_.isLogined || identity_.userId.empty();
    }
    if (signUp) {
      Sdk::TrackSignup(user.userId);
      {
        const std::lock_guard<std::mutex> lock(identityLock_);
        identity_.isLogined = true;
        identity_.userId = user.userId;
        identity_.distinctId = user.userId;
      }
      PropertiesNode super;
      super.SetString("zt_user_id", user.userId);
      Sdk::AddSuperProperties(super);
    }
  }
  {
    const std::lock_guard<std::mutex> lock(identityLock_);
    if (identityLoaded_) SaveIdentity(paths_.iniPath, identity_);
    user_ = user;
  }
  flushSynchronous();
}

void AnalyticsTrackerImpl::trackClick(const ZtEventClick& e, const ZtContextProperties& context) {
  if (e.name.empty()) ZT_RAISE(kFile, "trackClick", "ztEventClick.name is empty");
  PropertiesNode p;
  p.SetString("zt_name", e.name);
  p.SetString("zt_click_type", toString(e.clickType));
  SetIfNotEmpty(p, "zt_aname", e.aname);
  SetIfNotEmpty(p, "zt_title", e.title);
  SetIfNotEmpty(p, "zt_position", e.position);
  SetIfNotEmpty(p, "zt_module", e.module);
  SetIfNotEmpty(p, "zt_tab_name", e.tabName);
  SetIfPresent(p, "zt_tab_index", e.tabIndex);
  SetIfNotEmpty(p, "zt_banner_name", e.bannerName);
  SetIfPresent(p, "zt_banner_index", e.bannerIndex);
  p.SetBool("$is_first_time", true);
  context.writeTo(ZtEventKind::Click, p);
  queue("ZtEventClick", p);
  ++pending_;
  finishOrdinary();
}

void AnalyticsTrackerImpl::trackView(const ZtEventView& e, const ZtContextProperties& context) {
  if (e.name.empty()) ZT_RAISE(kFile, "trackView", "ztEventView.name is empty");
  PropertiesNode p;
  p.SetString("zt_name", e.name);
  SetIfNotEmpty(p, "zt_aname", e.aname);
  SetIfNotEmpty(p, "zt_title", e.title);
  SetIfNotEmpty(p, "zt_position", e.position);
  p.SetBool("$is_first_time", true);
  context.writeTo(ZtEventKind::View, p);
  queue("ZtEventView", p);
  ++pending_;
  finishOrdinary();
}

void AnalyticsTrackerImpl::trackCashier(const ZtEventCashier& e, const ZtContextProperties& context) {
  if (e.cashierName.empty()) ZT_RAISE(kFile, "trackCashier", "ztEventCashier.zt_cashier_name is empty");
  PropertiesNode p;
  p.SetString("zt_cashier_name", e.cashierName);
  SetIfNotEmpty(p, "zt_cashier_title", e.cashierTitle);
  SetIfNotEmpty(p, "zt_subitem", e.subitem);
  p.SetBool("$is_first_time", true);
  context.writeTo(ZtEventKind::Cashier, p);
  queue("ZtEventCashier", p);
  finishOrdinary();
}

void AnalyticsTrackerImpl::trackShare(const ZtEventShare& e, const ZtContextProperties& context) {
  PropertiesNode p;
  SetIfNotEmpty(p, "zt_aname", e.aname);
  SetIfNotEmpty(p, "zt_channel", e.channel);
  SetIfNotEmpty(p, "zt_position", e.position);
  SetIfNotEmpty(p, "zt_shared_name", e.sharedName);
  if (e.result) p.SetString("zt_result", toString(*e.result));
  p.SetBool("$is_first_time", true);
  context.writeTo(ZtEventKind::Share, p);
  queue("ZtEventShare", p);
  finishOrdinary();
}

void AnalyticsTrackerImpl::trackTask(const ZtEventTask& e, const ZtContextProperties& context) {
  if (e.name.empty()) ZT_RAISE(kFile, "trackTask", "ztEventTask.name is empty");
  PropertiesNode p;
  p.SetString("zt_task_name", e.name);
  SetIfPresent(p, "zt_task_elapsed", e.elapsed);
  if (e.result && IsReportedResult(*e.result)) p.SetString("zt_task_result", toString(*e.result));
  SetIfNotEmpty(p, "zt_aname", e.aname);
  SetIfNotEmpty(p, "zt_reason", e.reason);
  p.SetBool("$is_first_time", true);
  context.writeTo(ZtEventKind::Task, p);
  queue("ZtEventTask", p);
  finishOrdinary();
}

void AnalyticsTrackerImpl::trackFile(const ZtEventFile& e, const ZtContextProperties& context) {
  if (e.aname.empty()) ZT_RAISE(kFile, "trackFile", "ztEventFile.aname is empty");
  PropertiesNode p;
  p.SetString("zt_aname", e.aname);
  if (e.ioType) p.SetString("zt_io", toString(*e.ioType));
  if (e.result && IsReportedResult(*e.result)) p.SetString("zt_result", toString(*e.result));
  SetIfNotEmpty(p, "zt_name", e.name);
  SetIfNotEmpty(p, "zt_ext", e.ext);
  if (e.size && *e.size > 0) p.SetNumber("zt_size", *e.size);
  SetIfPresent(p, "zt_duration", e.duration);
  SetIfPresent(p, "zt_fps", e.fps);
  SetIfPresent(p, "zt_bps", e.bps);
  SetIfPresent(p, "zt_width", e.width);
  SetIfPresent(p, "zt_height", e.height);
  SetIfPresent(p, "zt_depth", e.depth);
  p.SetBool("$is_first_time", true);
  context.writeTo(ZtEventKind::File, p);
  queue("ZtEventFile", p);
  finishOrdinary();
}

void AnalyticsTrackerImpl::trackOrder(const ZtEventOrder& e, const ZtContextProperties& context) {
  if (e.ztSuitId.empty()) ZT_RAISE(kFile, "trackOrder", "ztEventOrder.ztSuitId is empty");
  if (!e.ztCurrency) ZT_RAISE(kFile, "trackOrder", "ztEventOrder.ztCurrency is nullptr");
  if (!(e.originalAmount > 0)) ZT_RAISE(kFile, "trackOrder", "ztEventOrder.originalAmount is less than zero");
  if (!(e.paidAmount > 0)) ZT_RAISE(kFile, "trackOrder", "ztEventOrder.paidAmount is less than zero");
  PropertiesNode p;
  p.SetString("zt_suit_id", e.ztSuitId);
  p.SetString("zt_currency", toString(*e.ztCurrency));
  p.SetNumber("zt_paid_amount", e.paidAmount);
  p.SetNumber("zt_original_amount", e.originalAmount);
  p.SetBool("$is_first_time", true);
  SetIfNotEmpty(p, "zt_order_id", e.orderId);
  SetIfNotEmpty(p, "zt_subitem", e.subitem);
  SetIfNotEmpty(p, "zt_sku", e.sku);
  SetIfPresent(p, "zt_campaign_code", e.campaignCode);
  SetIfNotEmpty(p, "zt_voucher_id", e.voucherId);
  SetIfPositive(p, "zt_cur_original_amount", e.curOriginalAmount);
  SetIfPositive(p, "zt_cur_paid_amount", e.curPaidAmount);
  SetIfNotEmpty(p, "zt_cashier_name", e.cashierName);
  SetIfNotEmpty(p, "zt_cashier_title", e.cashierTitle);
  context.writeTo(ZtEventKind::Order, p);
  queue("ZtEventOrder", p);
  finishOrdinary();
}

void AnalyticsTrackerImpl::trackPayment(const ZtEventPayment& e, const ZtContextProperties& context) {
  if (e.ztOrderId.empty()) ZT_RAISE(kFile, "trackPayment", "ztEventPayment.ztOrderId is empty");
  if (e.paidAmount < 0) {
    ZT_RAISE(kFile, "trackPayment", "paidAmount = " + collect::FormatNumber(e.paidAmount) + " is invalid");
  }
  if (e.originalAmount < 0) {
    ZT_RAISE(kFile, "trackPayment", "originalAmount = " + collect::FormatNumber(e.originalAmount) + " is invalid");
  }
  if (!e.result || (*e.result != ZtResult::Success && *e.result != ZtResult::Fail)) {
    ZT_RAISE(kFile, "trackPayment", "ztEventPayment.result is invalid");
  }
  PropertiesNode p;
  p.SetString("zt_order_id", e.ztOrderId);
  p.SetString("zt_paid_platform", toString(e.paidPlatform));
  p.SetNumber("zt_paid_amount", e.paidAmount);
  p.SetNumber("zt_original_amount", e.originalAmount);
  p.SetString("zt_result", toString(*e.result));
  p.SetBool("$is_first_time", true);
  if (e.currency) p.SetString("zt_currency", toString(*e.currency));
  SetIfNotEmpty(p, "zt_suit_id", e.suitId);
  SetIfNotEmpty(p, "zt_subitem", e.subitem);
  SetIfNotEmpty(p, "zt_sku", e.sku);
  SetIfPresent(p, "zt_campaign_code", e.campaignCode);
  SetIfNotEmpty(p, "zt_voucher_id", e.voucherId);
  SetIfNotEmpty(p, "zt_used_voucher_id", e.usedVoucherId);
  if (e.iapType) p.SetString("zt_iap_type", toString(*e.iapType));
  SetIfPositive(p, "zt_cur_original_amount", e.curOriginalAmount);
  SetIfPositive(p, "zt_cur_paid_amount", e.curPaidAmount);
  SetIfNotEmpty(p, "zt_cashier_name", e.cashierName);
  SetIfNotEmpty(p, "zt_cashier_title", e.cashierTitle);
  context.writeTo(ZtEventKind::Payment, p);
  queue("ZtEventPayment", p);

  const collect::DateTime now = Now();
  users_.ProfileUserPropertyNumber("zt_paid_count", 1);
  users_.ProfileUserPropertyNumber("zt_consumption", e.paidAmount);
  users_.ProfileUserPropertyDateTime("zt_first_paid_date", now);
  users_.ProfileUserPropertyDateTime("zt_last_paid_date", now);
  if (*e.result == ZtResult::Success) {
    const std::lock_guard<std::mutex> lock(identityLock_);
    identity_.vipLevel = 1;
    if (identityLoaded_) SaveIdentity(paths_.iniPath, identity_);
  }
  flushSynchronous();
}

void AnalyticsTrackerImpl::trackUninstall(const std::string& reason, const ZtContextProperties& context) {
  PropertiesNode p;
  SetIfNotEmpty(p, "zt_uninstall_reason", reason);
  context.writeTo(ZtEventKind::Uninstall, p);
  queue("ZtEventUninstall", p);
  flushSynchronous();
}

void AnalyticsTrackerImpl::trackCrash(const std::string& reason) {
  PropertiesNode p;
  SetIfNotEmpty(p, "app_crashed_reason", reason);
  queue("AppCrashed", p);
  flushSynchronous();
}

void AnalyticsTrackerImpl::trackUpdate(const ZtEventUpdate& e, const ZtContextProperties& context) {
  PropertiesNode p;
  p.SetString("zt_update_op", toString(e.operation));
  switch (e.operation) {
    case ZtUpdateOp::UpdateCheck:
      if (e.result) p.SetString("zt_update_result", toString(*e.result));
      break;
    case ZtUpdateOp::DownloadEnd:
    case ZtUpdateOp::UpgrateEnd:
      if (!e.result) ZT_RAISE(kFile, "trackUpdate", "Unknown updateResultInfo info");
      if (!e.elapsed) ZT_RAISE(kFile, "trackUpdate", "invalid elapsed info");
      p.SetString("zt_update_result", toString(*e.result));
      p.SetNumber("zt_elapsed", *e.elapsed);
      if (e.operation == ZtUpdateOp::UpgrateEnd) p.SetBool("$is_first_time", true);
      break;
    default:
      break;
  }
  context.writeTo(ZtEventKind::Update, p);
  queue("ZtEventUpdate", p);
  flushSynchronous();
}

void AnalyticsTrackerImpl::trackAppOpenNotification(const ZtAppOpenNotification* e,
                                                    const ZtContextProperties& context) {
  if (!e) ZT_RAISE(kFile, "trackAppOpenNotification", "&appOpenNotification is nullptr");
  if (e->planId.empty()) ZT_RAISE(kFile, "trackAppOpenNotification", "planID is emptry");
  if (e->planType.empty()) ZT_RAISE(kFile, "trackAppOpenNotification", "planType is emptry");
  if (e->msgTitle.empty()) ZT_RAISE(kFile, "trackAppOpenNotification", "msgTitle is emptry");
  PropertiesNode p;
  p.SetString("$sf_msg_title", e->msgTitle);
  p.SetString("$sf_plan_id", e->planId);
  p.SetString("$sf_plan_type", e->planType);
  p.SetBool("$is_first_time", true);
  SetIfNotEmpty(p, "$sf_msg_content", e->msgContent);
  SetIfNotEmpty(p, "$sf_link_url", e->linkUrl);
  SetIfNotEmpty(p, "$sf_audience_id", e->audienceId);
  SetIfNotEmpty(p, "$sf_plan_strategy_id", e->planStrategyId);
  SetIfNotEmpty(p, "$sf_strategy_unit_id", e->strategyUnitId);
  context.writeTo(ZtEventKind::AppOpenNotification, p);
  queue("AppOpenNotification", p);
  finishOrdinary();
}

void AnalyticsTrackerImpl::setLocale(const std::string& locale) {
  {
    const std::lock_guard<std::mutex> lock(identityLock_);
    localeOverride_ = locale;
  }
  Sdk::AddSuperProperties(localeProperties());
}

std::string AnalyticsTrackerImpl::getPrimaryDistinctId() {
  const std::lock_guard<std::mutex> lock(identityLock_);
  return identity_.primaryDistinctId;
}

}  // namespace analytics
}  // namespace zelto
