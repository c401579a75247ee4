#include "analytics/tracker/tracker.h"

#include <mutex>

namespace zelto {
namespace analytics {

namespace {

std::mutex g_trackerLock;
std::shared_ptr<AnalyticsTrackerWrapper> g_tracker;

}  // namespace

void createTracker(const ZtTrackerCreateInfo& info) {
  const std::lock_guard<std::mutex> lock(g_trackerLock);
  if (g_tracker) return;
  auto impl = std::make_unique<AnalyticsTrackerImpl>(info);
  try {
    impl->init();
  } catch (...) {
    // The tracker stays, without an SDK instance: its calls queue nothing.
  }
  g_tracker = std::make_shared<AnalyticsTrackerWrapper>(std::move(impl));
}

void releaseTracker() {
  std::shared_ptr<AnalyticsTrackerWrapper> last;
  {
    const std::lock_guard<std::mutex> lock(g_trackerLock);
    last = std::move(g_tracker);
  }
  // Destroyed here (unless a reporting thread still holds it), outside the
  // lock: its flush may take a while.
}

std::shared_ptr<AnalyticsTrackerWrapper> currentTracker() {
  const std::lock_guard<std::mutex> lock(g_trackerLock);
  return g_tracker;
}

}  // namespace analytics
}  // namespace zelto
