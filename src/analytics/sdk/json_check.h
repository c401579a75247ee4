#pragma once

#include <string>

namespace collect {

// True when text is exactly one JSON object (no leading or trailing bytes).
// Control bytes inside strings are let through: records carry them raw.
bool IsJsonObject(const std::string& text);

}  // namespace collect
