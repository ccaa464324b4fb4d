#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"

#include <string>
#include <string_view>

namespace qor::platform::windows::com {

// COM text: UTF-16 in OLECHAR units (wchar_t on Windows, char16_t elsewhere).
using OleString = std::basic_string<OLECHAR>;
using OleStringView = std::basic_string_view<OLECHAR>;

QOR_JAVASCRIPT_COM_API OleString oleFromUtf8(std::string_view text);
QOR_JAVASCRIPT_COM_API std::string utf8FromOle(OleStringView text);
// A null BSTR is the empty text.
QOR_JAVASCRIPT_COM_API std::string utf8FromOle(BSTR text);

} // namespace qor::platform::windows::com
