#pragma once
// Collects the events a worker raises, from any thread, for the tests.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "download/install_event.h"
#include "utils/text.h"

struct RecordedEvent {
  int32_t code = 0;
  double value = 0;
  std::wstring text;

  bool operator==(const RecordedEvent& o) const { return code == o.code && value == o.value && text == o.text; }
};

inline std::ostream& operator<<(std::ostream& os, const RecordedEvent& e) {
  return os << "{" << e.code << ", " << e.value << ", \"" << Utils::WideToNarrow(e.text, 65001) << "\"}";
}

class EventRecorder {
 public:
  InstallEventCallback Callback() {
    return [this](int32_t code, double value, const std::wstring& text) {
      std::function<void(const RecordedEvent&)> hook;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back({code, value, text});
        hook = hook_;
      }
      if (hook) hook({code, value, text});
      changed_.notify_all();
    };
  }

  // Runs on the raising thread, after the event has been recorded.
  void SetHook(std::function<void(const RecordedEvent&)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
  }

  std::vector<RecordedEvent> Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

  std::vector<int32_t> Codes() const {
    std::vector<int32_t> codes;
    for (const RecordedEvent& e : Events()) codes.push_back(e.code);
    return codes;
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
  }

  // Waits until an event with the code has been recorded.
  bool WaitFor(int32_t code, std::chrono::milliseconds timeout) { return WaitForAny({code}, timeout) == code; }

  // Waits until an event with one of the codes has been recorded; returns
  // the code of the first such event, or 0 after the timeout.
  int32_t WaitForAny(std::initializer_list<int32_t> codes, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    int32_t found = 0;
    changed_.wait_for(lock, timeout, [&] {
      for (const RecordedEvent& e : events_)
        for (int32_t code : codes)
          if (e.code == code) return (found = code) != 0;
      return false;
    });
    return found;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<RecordedEvent> events_;
  std::function<void(const RecordedEvent&)> hook_;
};
