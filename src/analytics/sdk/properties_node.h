#pragma once
// The properties of an event and the super properties: an object whose
// setters check what they store and which never holds a nested object.

#include <string>
#include <vector>

#include "analytics/sdk/object_node.h"

namespace collect {

constexpr size_t kMaxStringPropertyBytes = 8192;

// Well-formed UTF-8 as the collector accepts it: tab, LF, CR and 0x20-0x7E
// among single bytes, and only the shortest forms of non-surrogate code
// points among multi-byte sequences.
bool IsValidUtf8(const std::string& s);

class PropertiesNode : public utils::ObjectNode {
 public:
  // Drops (with a line on standard error) values over 8192 bytes and values
  // that are not well-formed UTF-8.
  bool SetString(const std::string& key, const std::string& value);
  // Drops (with a line on standard error) infinities and not-a-number, which
  // have no JSON form and would make the whole batch unreadable.
  bool SetNumber(const std::string& key, double value);
  void SetInteger(const std::string& key, int value) { utils::ObjectNode::SetInteger(key, value); }
  void SetBool(const std::string& key, bool value) { utils::ObjectNode::SetBool(key, value); }
  void SetList(const std::string& key, const std::vector<std::string>& value) {
    utils::ObjectNode::SetList(key, value);
  }
  void SetDateTime(const std::string& key, const DateTime& value) { utils::ObjectNode::SetDateTime(key, value); }
  // Properties are flat: a nested object is never stored.
  void SetObject(const std::string&, const utils::ObjectNode&) override {}
};

}  // namespace collect
