#include "analytics/sdk/object_node.h"

#include <cstdio>
#include <ctime>

namespace collect {

PropertyValue::PropertyValue(const utils::ObjectNode& v) : value_(std::make_shared<const utils::ObjectNode>(v)) {}

void AppendJsonString(std::string& out, const std::string& s) {
  out.push_back('"');
  for (const char c : s) {
    switch (c) {
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out.push_back(c);
    }
  }
  out.push_back('"');
}

std::string FormatNumber(double v) {
  char buffer[32];
  const int n = std::snprintf(buffer, sizeof buffer, "%g", v);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string("0");
}

std::string FormatDateTime(const DateTime& t) {
  const __time64_t seconds = t.seconds;
  struct tm local {};
  if (_localtime64_s(&local, &seconds) != 0) {
    // Outside the range the C runtime converts: write the epoch rather than
    // garbage, so the record stays well-formed.
    local = tm{};
    local.tm_year = 70;
    local.tm_mday = 1;
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, t.milliseconds);
  return buffer;
}

void PropertyValue::AppendJson(std::string& out) const {
  switch (tag()) {
    case kNumber:
      out += FormatNumber(std::get<double>(value_));
      break;
    case kInteger:
      out += std::to_string(std::get<int64_t>(value_));
      break;
    case kString:
      AppendJsonString(out, std::get<std::string>(value_));
      break;
    case kList: {
      out.push_back('[');
      bool first = true;
      for (const std::string& item : std::get<std::vector<std::string>>(value_)) {
        if (!first) out.push_back(',');
        first = false;
        AppendJsonString(out, item);
      }
      out.push_back(']');
      break;
    }
    case kDateTime:
      out += FormatDateTime(std::get<DateTime>(value_));
      break;
    case kBoolean:
      out += std::get<bool>(value_) ? "true" : "false";
      break;
    case kObject: {
      const auto& node = std::get<std::shared_ptr<const utils::ObjectNode>>(value_);
      if (node) {
        node->AppendJson(out);
      } else {
        out += "{}";
      }
      break;
    }
  }
}

namespace utils {

void ObjectNode::SetObject(const std::string& key, const ObjectNode& value) { Set(key, PropertyValue(value)); }

const PropertyValue* ObjectNode::Find(const std::string& key) const {
  const auto it = values_.find(key);
  return it == values_.end() ? nullptr : &it->second;
}

void ObjectNode::MergeFrom(const ObjectNode& other) {
  for (const auto& [key, value] : other.values_) values_[key] = value;
}

std::string ObjectNode::ToJson() const {
  std::string out;
  AppendJson(out);
  return out;
}

void ObjectNode::AppendJson(std::string& out) const {
  out.push_back('{');
  bool first = true;
  for (const auto& [key, value] : values_) {
    if (!first) out.push_back(',');
    first = false;
    out.push_back('"');
    out += key;
    out += "\":";
    value.AppendJson(out);
  }
  out.push_back('}');
}

}  // namespace utils
}  // namespace collect
