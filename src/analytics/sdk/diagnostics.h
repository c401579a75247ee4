#pragma once
// The SDK's own diagnostics: one line each on standard error, which a
// windowed process discards. Nothing here ever reaches the user.

#include <string>

namespace collect {

void WriteDiagnostic(const std::string& line);

}  // namespace collect
