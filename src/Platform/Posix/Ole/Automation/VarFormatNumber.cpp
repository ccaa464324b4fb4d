// VarFormatNumber, VarFormatCurrency and VarFormatPercent: the locale's form
// of a number, an amount or a percentage (NumberForms.h) with the caller's
// choices, written as VarFormat writes it. A value that is no number fails.

#include "Platform/Posix/Ole/Automation/VarFormat.h"

#include <expected>

#include "Platform/Posix/Ole/Automation/FormattedValue.h"
#include "Platform/Posix/Ole/Automation/NumberForms.h"

namespace {

using namespace qor::platform::posix::ole;

constexpr int kDefault = -2; // "as the locale does", for the yes-or-no choices
constexpr int kLocaleDigits = -1;

std::expected<bool, HRESULT> choice(int value, bool locale) {
    if (value == kDefault)
        return locale;
    if (value < kDefault)
        return std::unexpected(E_INVALIDARG);
    return value != 0;
}

HRESULT formatNumber(format::NumberForm form, VARIANT* in, int digits, int leadingZero, int parentheses, int grouping,
                     ULONG flags, BSTR* out) {
    if (in == nullptr || out == nullptr || digits < kLocaleDigits || digits > 255)
        return E_INVALIDARG;
    LCID const lcid = LOCALE_USER_DEFAULT;
    convert::Locale const& locale = convert::localeOf(lcid);
    format::NumberOptions options = format::defaultNumberOptions(form, locale);
    auto lead = choice(leadingZero, options.leadingZero);
    auto parens = choice(parentheses, options.parentheses);
    auto group = choice(grouping, options.grouping);
    if (!lead || !parens || !group)
        return E_INVALIDARG;
    options = {digits == kLocaleDigits ? options.digits : digits, *lead, *parens, *group};
    std::u16string const shape = format::numberFormat(form, options, locale);
    return format::returnText(format::formatValue(*in, shape, {}, lcid, flags | VAR_FORMAT_NOSUBSTITUTE), out);
}

} // namespace

HRESULT VarFormatNumber(LPVARIANT pvarIn, int iNumDig, int iIncLead, int iUseParens, int iGroup, ULONG dwFlags,
                        BSTR* pbstrOut) {
    return formatNumber(format::NumberForm::Number, pvarIn, iNumDig, iIncLead, iUseParens, iGroup, dwFlags, pbstrOut);
}

HRESULT VarFormatPercent(LPVARIANT pvarIn, int iNumDig, int iIncLead, int iUseParens, int iGroup, ULONG dwFlags,
                         BSTR* pbstrOut) {
    return formatNumber(format::NumberForm::Percent, pvarIn, iNumDig, iIncLead, iUseParens, iGroup, dwFlags, pbstrOut);
}

HRESULT VarFormatCurrency(LPVARIANT pvarIn, int iNumDig, int iIncLead, int iUseParens, int iGroup, ULONG dwFlags,
                          BSTR* pbstrOut) {
    return formatNumber(format::NumberForm::Currency, pvarIn, iNumDig, iIncLead, iUseParens, iGroup, dwFlags, pbstrOut);
}
