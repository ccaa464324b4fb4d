#pragma once

#include "Platform/Com.h"

#include <string>

namespace qor::platform::windows::com {

// Through the system's ANSI code page, as Windows narrows names for callers
// that are not Unicode-aware: characters the code page lacks become its
// replacement character. A null BSTR is the empty text. Raises _com_error
// when the conversion fails.
std::string ansiFromOle(BSTR text);

} // namespace qor::platform::windows::com
