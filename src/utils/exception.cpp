#include "utils/exception.h"

#include "utils/text.h"

namespace Utils {

Exception::Exception(const std::wstring& message) : message_(WideToNarrow(message, 0)) {}

}  // namespace Utils
