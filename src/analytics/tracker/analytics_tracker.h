#pragma once
// The tracker interface: one operation per kind of business event.

#include <string>

#include "analytics/tracker/zt_context_properties.h"
#include "analytics/tracker/zt_types.h"

namespace zelto {
namespace analytics {

// The tracker's own log file.
class TrackLogger {
 public:
  virtual ~TrackLogger() = default;
  virtual bool isOpen() const = 0;
  virtual bool log(const std::string& line) = 0;
};

// Slot order is part of the interface.
class AnalyticsTracker {
 public:
  virtual ~AnalyticsTracker() = default;
  virtual void trackActivity(const ZtContextProperties& context) = 0;
  virtual void trackLaunch(const ZtContextProperties& context) = 0;
  virtual void trackLogin(const ZtUserInfo& user, bool success, const std::string& reason,
                          const ZtContextProperties& context) = 0;
  virtual void trackClick(const ZtEventClick& event, const ZtContextProperties& context) = 0;
  virtual void trackView(const ZtEventView& event, const ZtContextProperties& context) = 0;
  virtual void trackCashier(const ZtEventCashier& event, const ZtContextProperties& context) = 0;
  virtual void trackShare(const ZtEventShare& event, const ZtContextProperties& context) = 0;
  virtual void trackTask(const ZtEventTask& event, const ZtContextProperties& context) = 0;
  virtual void trackFile(const ZtEventFile& event, const ZtContextProperties& context) = 0;
  virtual void trackOrder(const ZtEventOrder& event, const ZtContextProperties& context) = 0;
  virtual void trackPayment(const ZtEventPayment& event, const ZtContextProperties& context) = 0;
  virtual void trackUninstall(const std::string& reason, const ZtContextProperties& context) = 0;
  virtual void trackCrash(const std::string& reason) = 0;
  virtual void trackUpdate(const ZtEventUpdate& event, const ZtContextProperties& context) = 0;
  // A null record raises.
  virtual void trackAppOpenNotification(const ZtAppOpenNotification* event, const ZtContextProperties& context) = 0;
  virtual void setLocale(const std::string& locale) = 0;
  virtual std::string getPrimaryDistinctId() = 0;
  virtual TrackLogger* getLogger() = 0;
};

}  // namespace analytics
}  // namespace zelto
