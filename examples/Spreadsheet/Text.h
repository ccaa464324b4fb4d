#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/OleText.h"

#include <string>
#include <string_view>

namespace qor::examples::spreadsheet {

using platform::windows::com::OleString;
using platform::windows::com::OleStringView;

// The text of a BSTR argument, all of it; a null BSTR is the empty text.
inline OleString textOf(BSTR text) {
    return text != nullptr ? OleString(text, SysStringLen(text)) : OleString();
}

// Text for a BSTR out-parameter, owned by the caller from then on.
HRESULT textOut(OleStringView text, BSTR* out);
HRESULT textOut(std::string_view utf8, BSTR* out);

// A name quoted for an error message, in UTF-8.
std::string quotedName(OleStringView name);

} // namespace qor::examples::spreadsheet
