#include "analytics/tracker/zt_context_properties.h"

#include "analytics/tracker/zt_exception.h"

namespace zelto {
namespace analytics {

namespace {

constexpr char kFile[] = "ZtContextProperties";

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsUpperOrDigit(char c) { return IsUpper(c) || (c >= '0' && c <= '9'); }

std::string Overflow(int kind) { return "ZtEvent[" + std::to_string(kind) + "] overflow!"; }

}  // namespace

const std::vector<ZtContextProperties::Entry>& ZtContextProperties::getEventProperties(int kind) const {
  if (kind < 0 || kind >= kEventKindCount) ZT_RAISE(kFile, "getEventProperties", Overflow(kind));
  return lists_[static_cast<size_t>(kind)];
}

void ZtContextProperties::setABProperty(const std::string& value, const std::vector<int>& kinds) {
  if (!names_.insert(kABName).second) {
    ZT_RAISE(kFile, "setProperty", std::string("Property[") + kABName + "] already exist!");
  }
  const auto shared = std::make_shared<const Value>(value);
  for (const int kind : kinds) {
    if (kind < 0 || kind >= kEventKindCount) ZT_RAISE(kFile, "setProperty", Overflow(kind));
    lists_[static_cast<size_t>(kind)].push_back(Entry{ValueType::String, shared, kABName});
  }
}

bool ZtContextProperties::isValidABValue(const std::string& value) {
  if (value.empty()) return false;
  if (value.size() > 3) ZT_RAISE(kFile, "isValidABValue", "value's length is great than 3.");
  if (!IsUpper(value[0])) ZT_RAISE(kFile, "isValidABValue", "First char is not in A to Z");
  if (value.size() > 1 && !IsUpperOrDigit(value[1])) {
    ZT_RAISE(kFile, "isValidABValue", "second char is not in A to Z and 0 to 9");
  }
  if (value.size() > 2 && !IsUpperOrDigit(value[2])) {
    ZT_RAISE(kFile, "isValidABValue", "third char is not in A to Z and 0 to 9");
  }
  return true;
}

void ZtContextProperties::writeTo(ZtEventKind kind, collect::PropertiesNode& properties) const {
  for (const Entry& e : getEventProperties(static_cast<int>(kind))) {
    if (!e.value) continue;
    switch (e.type) {
      case ValueType::Boolean:
        if (const bool* b = std::get_if<bool>(e.value.get())) properties.SetBool(e.name, *b);
        break;
      case ValueType::Bytes:
      case ValueType::String:
        if (const std::string* s = std::get_if<std::string>(e.value.get())) properties.SetString(e.name, *s);
        break;
      case ValueType::Number:
        if (const double* d = std::get_if<double>(e.value.get())) properties.SetNumber(e.name, *d);
        break;
      case ValueType::StringList:
        if (const auto* l = std::get_if<std::vector<std::string>>(e.value.get())) properties.SetList(e.name, *l);
        break;
    }
  }
}

}  // namespace analytics
}  // namespace zelto
