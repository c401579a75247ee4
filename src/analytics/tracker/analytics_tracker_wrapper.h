#pragma once
// Shields callers from the tracker's exceptions: a failed track call ends
// in one line on standard output ("Failed to trackTask", ...).

#include <memory>

#include "analytics/tracker/analytics_tracker_impl.h"

namespace zelto {
namespace analytics {

class AnalyticsTrackerWrapper : public AnalyticsTracker {
 public:
  explicit AnalyticsTrackerWrapper(std::unique_ptr<AnalyticsTrackerImpl> inner) : inner_(std::move(inner)) {}

  void trackActivity(const ZtContextProperties& context) override;
  void trackLaunch(const ZtContextProperties& context) override;
  void trackLogin(const ZtUserInfo& user, bool success, const std::string& reason,
                  const ZtContextProperties& context) override;
  void trackClick(const ZtEventClick& event, const ZtContextProperties& context) override;
  void trackView(const ZtEventView& event, const ZtContextProperties& context) override;
  void trackCashier(const ZtEventCashier& event, const ZtContextProperties& context) override;
  void trackShare(const ZtEventShare& event, const ZtContextProperties& context) override;
  void trackTask(const ZtEventTask& event, const ZtContextProperties& context) override;
  void trackFile(const ZtEventFile& event, const ZtContextProperties& context) override;
  void trackOrder(const ZtEventOrder& event, const ZtContextProperties& context) override;
  void trackPayment(const ZtEventPayment& event, const ZtContextProperties& context) override;
  void trackUninstall(const std::string& reason, const ZtContextProperties& context) override;
  void trackCrash(const std::string& reason) override;
  void trackUpdate(const ZtEventUpdate& event, const ZtContextProperties& context) override;
  void trackAppOpenNotification(const ZtAppOpenNotification* event, const ZtContextProperties& context) override;
  void setLocale(const std::string& locale) override;
  std::string getPrimaryDistinctId() override;
  TrackLogger* getLogger() override { return nullptr; }

  AnalyticsTrackerImpl* inner() const { return inner_.get(); }

 private:
  template <typename Call>
  void guarded(const char* failure, Call call);

  std::unique_ptr<AnalyticsTrackerImpl> inner_;
};

}  // namespace analytics
}  // namespace zelto
