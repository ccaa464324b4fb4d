// VarFormat and VarFormatDateTime: a format string, or a named date format,
// read into tokens and the value written through them in the user default
// locale. VarFormatDateTime takes only what is a date, or a number or text
// that converts to one.

#include "Platform/Posix/Ole/Automation/VarFormat.h"

#include <array>
#include <string_view>

#include "Platform/Posix/Ole/Automation/FormattedValue.h"

using namespace qor::platform::posix::ole;

HRESULT VarFormat(LPVARIANT pvarIn, LPOLESTR pstrFormat, int iFirstDay, int iFirstWeek, ULONG dwFlags, BSTR* pbstrOut) {
    if (pvarIn == nullptr || pbstrOut == nullptr || iFirstDay < 0 || iFirstDay > 7 || iFirstWeek < 0 || iFirstWeek > 3)
        return E_INVALIDARG;
    std::u16string_view const format = pstrFormat != nullptr ? std::u16string_view(pstrFormat) : std::u16string_view();
    return format::returnText(
        format::formatValue(*pvarIn, format, {iFirstDay, iFirstWeek}, LOCALE_USER_DEFAULT, dwFlags), pbstrOut);
}

HRESULT VarFormatDateTime(LPVARIANT pvarIn, int iNamedFormat, ULONG dwFlags, BSTR* pbstrOut) {
    static constexpr std::array<std::u16string_view, 5> kNamed = {u"General Date", u"Long Date", u"Short Date",
                                                                  u"Long Time", u"Short Time"};
    if (pvarIn == nullptr || pbstrOut == nullptr || iNamedFormat < 0 || iNamedFormat >= int(kNamed.size()))
        return E_INVALIDARG;
    return format::returnText(format::formatValue(*pvarIn, kNamed[static_cast<std::size_t>(iNamedFormat)], {},
                                                  LOCALE_USER_DEFAULT, dwFlags | VAR_FORMAT_NOSUBSTITUTE),
                              pbstrOut);
}
