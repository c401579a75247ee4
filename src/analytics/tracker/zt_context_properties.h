#pragma once
// Properties a caller attaches to the events of chosen kinds, such as the
// A/B marker "ztc_ab".

#include <array>
#include <memory>
#include <string>
#include <unordered_set>
#include <variant>
#include <vector>

#include "analytics/sdk/properties_node.h"
#include "analytics/tracker/zt_types.h"

namespace zelto {
namespace analytics {

class ZtContextProperties {
 public:
  enum class ValueType { Boolean, Bytes, Number, String, StringList };
  using Value = std::variant<bool, std::string, double, std::vector<std::string>>;
  struct Entry {
    ValueType type;
    std::shared_ptr<const Value> value;
    std::string name;
  };

  static constexpr char kABName[] = "ztc_ab";

  // The entries for event kind 0-14; a larger index raises.
  const std::vector<Entry>& getEventProperties(int kind) const;

  // Adds "ztc_ab" = value to the events of every kind listed. Raises when
  // "ztc_ab" was set before, or for a kind of 15 or more.
  void setABProperty(const std::string& value, const std::vector<int>& kinds);

  // Empty gives false; a value breaking the rule (one upper-case letter,
  // then up to two upper-case letters or digits) raises.
  static bool isValidABValue(const std::string& value);

  // Writes the entries of the kind into properties, replacing same names.
  void writeTo(ZtEventKind kind, collect::PropertiesNode& properties) const;

 private:
  std::unordered_set<std::string> names_;
  std::array<std::vector<Entry>, kEventKindCount> lists_;
};

}  // namespace analytics
}  // namespace zelto
