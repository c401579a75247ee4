#include "analytics/tracker/analytics_tracker_wrapper.h"

#include <cstdio>

namespace zelto {
namespace analytics {

template <typename Call>
void AnalyticsTrackerWrapper::guarded(const char* failure, Call call) {
  if (!inner_) return;
  try {
    call(*inner_);
  } catch (...) {
    if (inner_->getLogger()) {
      std::fputs(failure, stdout);
      std::fputc('\n', stdout);
      std::fflush(stdout);
    }
  }
}

void AnalyticsTrackerWrapper::trackActivity(const ZtContextProperties& c) {
  guarded("Failed to trackActivity", [&](AnalyticsTrackerImpl& t) { t.trackActivity(c); });
}
void AnalyticsTrackerWrapper::trackLaunch(const ZtContextProperties& c) {
  guarded("Failed to trackLaunch", [&](AnalyticsTrackerImpl& t) { t.trackLaunch(c); });
}
void AnalyticsTrackerWrapper::trackLogin(const ZtUserInfo& user, bool success, const std::string& reason,
                                         const ZtContextProperties& c) {
  guarded("Failed to trackLogin", [&](AnalyticsTrackerImpl& t) { t.trackLogin(user, success, reason, c); });
}
void AnalyticsTrackerWrapper::trackClick(const ZtEventClick& e, const ZtContextProperties& c) {
  guarded("Failed to trackClick", [&](AnalyticsTrackerImpl& t) { t.trackClick(e, c); });
}
void AnalyticsTrackerWrapper::trackView(const ZtEventView& e, const ZtContextProperties& c) {
  guarded("Failed to trackView", [&](AnalyticsTrackerImpl& t) { t.trackView(e, c); });
}
void AnalyticsTrackerWrapper::trackCashier(const ZtEventCashier& e, const ZtContextProperties& c) {
  guarded("Failed to trackCashier", [&](AnalyticsTrackerImpl& t) { t.trackCashier(e, c); });
}
void AnalyticsTrackerWrapper::trackShare(const ZtEventShare& e, const ZtContextProperties& c) {
  guarded("Failed to trackShare", [&](AnalyticsTrackerImpl& t) { t.trackShare(e, c); });
}
void AnalyticsTrackerWrapper::trackTask(const ZtEventTask& e, const ZtContextProperties& c) {
  guarded("Failed to trackTask", [&](AnalyticsTrackerImpl& t) { t.trackTask(e, c); });
}
void AnalyticsTrackerWrapper::trackFile(const ZtEventFile& e, const ZtContextProperties& c) {
  guarded("Failed to trackFile", [&](AnalyticsTrackerImpl& t) { t.trackFile(e, c); });
}
void AnalyticsTrackerWrapper::trackOrder(const ZtEventOrder& e, const ZtContextProperties& c) {
  guarded("Failed to trackOrder", [&](AnalyticsTrackerImpl& t) { t.trackOrder(e, c); });
}
void AnalyticsTrackerWrapper::trackPayment(const ZtEventPayment& e, const ZtContextProperties& c) {
  guarded("Failed to trackPayment", [&](AnalyticsTrackerImpl& t) { t.trackPayment(e, c); });
}
void AnalyticsTrackerWrapper::trackUninstall(const std::string& reason, const ZtContextProperties& c) {
  guarded("Failed to trackUninstall", [&](AnalyticsTrackerImpl& t) { t.trackUninstall(reason, c); });
}
void AnalyticsTrackerWrapper::trackCrash(const std::string& reason) {
  guarded("Failed to trackCrash", [&](AnalyticsTrackerImpl& t) { t.trackCrash(reason); });
}
void AnalyticsTrackerWrapper::trackUpdate(const ZtEventUpdate& e, const ZtContextProperties& c) {
  guarded("Failed to trackUpdate", [&](AnalyticsTrackerImpl& t) { t.trackUpdate(e, c); });
}
void AnalyticsTrackerWrapper::trackAppOpenNotification(const ZtAppOpenNotification* e, const ZtContextProperties& c) {
  guarded("Failed to trackAppOpenNotification", [&](AnalyticsTrackerImpl& t) { t.trackAppOpenNotification(e, c); });
}

void AnalyticsTrackerWrapper::setLocale(const std::string& locale) {
  if (inner_) inner_->setLocale(locale);
}

std::string AnalyticsTrackerWrapper::getPrimaryDistinctId() {
  return inner_ ? inner_->getPrimaryDistinctId() : std::string();
}

}  // namespace analytics
}  // namespace zelto
