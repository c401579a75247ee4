#pragma once
// The process-wide tracker.

#include <memory>

#include "analytics/tracker/analytics_tracker_wrapper.h"

namespace zelto {
namespace analytics {

// Builds and initialises the tracker; a failed init is swallowed, leaving a
// tracker that queues nothing. Does nothing while a tracker exists.
void createTracker(const ZtTrackerCreateInfo& info);
// Drops the process-wide handle; the last holder's release sends what is
// queued and stages the rest.
void releaseTracker();
// The tracker, or null before creation and after release.
std::shared_ptr<AnalyticsTrackerWrapper> currentTracker();

}  // namespace analytics
}  // namespace zelto
