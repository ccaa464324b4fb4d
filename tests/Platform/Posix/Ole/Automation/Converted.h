#pragma once

// What VariantChangeTypeEx makes of a value in a locale, for the tests of the
// texts of numbers and dates.

#include <string>

#include "Platform/Com.h"

namespace qor::test {

struct Converted {
    HRESULT hr;
    _variant_t value;
};

inline Converted convert(VARIANT const& value, VARTYPE vt, LCID lcid, USHORT flags = 0)
{
    Converted result{S_OK, {}};
    result.hr = VariantChangeTypeEx(&result.value, &value, lcid, flags, vt);
    return result;
}

// The text of a value, or "<failed>".
inline std::u16string textIn(LCID lcid, VARIANT const& value, USHORT flags = 0)
{
    Converted text = convert(value, VT_BSTR, lcid, flags);
    if (FAILED(text.hr))
        return u"<failed>";
    return {text.value.bstrVal, SysStringLen(text.value.bstrVal)};
}

inline std::string printable(std::u16string const& text)
{
    std::string result;
    for (char16_t c : text)
        result += c < 0x80 ? std::string(1, static_cast<char>(c)) : "?";
    return result;
}

} // namespace qor::test
