#include "analytics/sdk/properties_node.h"

#include <cmath>

#include "analytics/sdk/diagnostics.h"

namespace collect {

namespace {

bool InRange(unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; }

}  // namespace

bool IsValidUtf8(const std::string& s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      if (!(c == '\t' || c == '\n' || c == '\r' || InRange(c, 0x20, 0x7E))) return false;
      ++i;
      continue;
    }
    // The ranges of the first continuation byte depend on the lead byte;
    // they exclude overlong forms, surrogates and code points past U+10FFFF.
    size_t length = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (InRange(c, 0xC2, 0xDF)) {
      length = 2;
    } else if (c == 0xE0) {
      length = 3, lo = 0xA0;
    } else if (InRange(c, 0xE1, 0xEC) || InRange(c, 0xEE, 0xEF)) {
      length = 3;
    } else if (c == 0xED) {
      length = 3, hi = 0x9F;
    } else if (c == 0xF0) {
      length = 4, lo = 0x90;
    } else if (InRange(c, 0xF1, 0xF3)) {
      length = 4;
    } else if (c == 0xF4) {
      length = 4, hi = 0x8F;
    } else {
      return false;
    }
    if (n - i < length) return false;
    if (!InRange(p[i + 1], lo, hi)) return false;
    for (size_t k = 2; k < length; ++k) {
      if (!InRange(p[i + k], 0x80, 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

bool PropertiesNode::SetString(const std::string& key, const std::string& value) {
  if (value.size() > kMaxStringPropertyBytes) {
    WriteDiagnostic("String property '" + key + "' is too long, value: " + value);
    return false;
  }
  if (!IsValidUtf8(value)) {
    WriteDiagnostic("String property '" + key + "' is not valid UTF-8 string, value: " + value);
    return false;
  }
  utils::ObjectNode::SetString(key, value);
  return true;
}

bool PropertiesNode::SetNumber(const std::string& key, double value) {
  if (!std::isfinite(value)) {
    WriteDiagnostic("Number property '" + key + "' is not a finite number, value: " + FormatNumber(value));
    return false;
  }
  utils::ObjectNode::SetNumber(key, value);
  return true;
}

}  // namespace collect
