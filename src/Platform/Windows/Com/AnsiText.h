#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"

#include <string>

namespace qor::platform::windows::com {

// Through the system's ANSI code page, as Windows narrows names for callers
// that are not Unicode-aware: characters the code page lacks become its
// replacement character. A null BSTR is the empty text. Raises _com_error
// when the conversion fails.
QOR_JAVASCRIPT_COM_API std::string ansiFromOle(BSTR text);

} // namespace qor::platform::windows::com
