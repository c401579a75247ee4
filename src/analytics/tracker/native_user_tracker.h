#pragma once
// User (profile) properties: each known key has one fixed operation, set,
// set once or increment, and travels as its own profile record.

#include <atomic>
#include <string>

#include "analytics/sdk/object_node.h"

namespace zelto {
namespace analytics {

class NativeUserTracker {
 public:
  enum class Operation { Set, SetOnce, Increment, Append };

  // Counts every profile record sent into pending.
  explicit NativeUserTracker(std::atomic<int>& pending) : pending_(pending) {}

  // The operation of a key; an unknown key raises.
  static Operation operationOf(const std::string& key);

  void ProfileUserPropertyString(const std::string& key, const std::string& value);
  void ProfileUserPropertyNumber(const std::string& key, double value);
  void ProfileUserPropertyDateTime(const std::string& key, const collect::DateTime& value);

 private:
  std::atomic<int>& pending_;
};

}  // namespace analytics
}  // namespace zelto
