#pragma once
// The tracker: validates typed events, adds the common and context
// properties, keeps the identity between runs and decides when queued
// records are flushed. It starts no thread of its own.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "analytics/sdk/properties_node.h"
#include "analytics/tracker/analytics_tracker.h"
#include "analytics/tracker/identity.h"
#include "analytics/tracker/native_track_logger.h"
#include "analytics/tracker/native_user_tracker.h"

namespace zelto {
namespace analytics {

// The collection URL when the creation info names none: the environment
// variable LUMAVOX_ANALYTICS_URL if set, else the endpoint chosen at build time.
std::string DefaultCollectionUrl();
// A PEM bundle to trust alone for the endpoint (LUMAVOX_ANALYTICS_CA_FILE),
// empty for the system's store.
std::string CollectionCaFile();

class AnalyticsTrackerImpl : public AnalyticsTracker {
 public:
  explicit AnalyticsTrackerImpl(const ZtTrackerCreateInfo& info);
  // Saves the identity, flushes when events are pending and stages the rest.
  ~AnalyticsTrackerImpl() override;
  AnalyticsTrackerImpl(const AnalyticsTrackerImpl&) = delete;
  AnalyticsTrackerImpl& operator=(const AnalyticsTrackerImpl&) = delete;

  // Raises when the creation info lacks a name, version or store, or when
  // the SDK does not start.
  void init();

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
  TrackLogger* getLogger() override { return logger_.get(); }

  int pendingRecords() const { return pending_.load(); }
  const AnalyticsPaths& paths() const { return paths_; }
  const std::string& serverUrl() const { return serverUrl_; }
  Identity identity() const;
  // The pause after every ordinary event, 1 ms; a benchmark of the
  // tracker's own cost sets 0.
  void setEventPause(std::chrono::microseconds pause) { pause_ = pause; }

 private:
  void queue(const std::string& eventName, const collect::PropertiesNode& properties);
  void finishOrdinary();
  void flushSynchronous();
  void pause() const;
  collect::PropertiesNode localeProperties() const;

  const std::string appName_, appVersion_, appStore_, dlAppId_, dlAppVersion_;
  std::string logPath_;
  std::string serverUrl_;
  const ZtEdition edition_;
  bool logEvents_ = false;
  std::unique_ptr<NativeTrackLogger> logger_;

  mutable std::mutex identityLock_;  // the identity context below
  Identity identity_;
  std::string localeOverride_;
  ZtUserInfo user_;
  AnalyticsPaths paths_;
  bool identityLoaded_ = false;
  bool sdkStarted_ = false;
  std::string osVersion_;

  std::atomic<int> pending_{0};
  NativeUserTracker users_{pending_};
  std::chrono::microseconds pause_{1000};
};

}  // namespace analytics
}  // namespace zelto
