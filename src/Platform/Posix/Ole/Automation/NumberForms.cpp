#include "Platform/Posix/Ole/Automation/NumberForms.h"

namespace qor::platform::posix::ole::format {
namespace {

// A locale's text as literal characters of a format: a currency symbol may
// hold a '.' ("kr.") that the format would read as the decimal separator.
std::u16string escaped(std::u16string_view text) {
    std::u16string result;
    for (char16_t c : text) {
        result.push_back(u'\\');
        result.push_back(c);
    }
    return result;
}

std::u16string digits(NumberOptions const& options) {
    std::u16string text = options.grouping ? u"#,##" : u"";
    text += options.leadingZero ? u"0" : u"#";
    if (options.digits > 0)
        text += u"." + std::u16string(static_cast<std::size_t>(options.digits), u'0');
    return text;
}

std::u16string positive(NumberForm form, NumberOptions const& options, convert::Locale const& locale) {
    std::u16string const number = digits(options);
    switch (form) {
    case NumberForm::Percent:
        return number + u"%";
    case NumberForm::Currency:
        if (locale.currencyFirst)
            return escaped(locale.currencySymbol) + escaped(locale.currencySpace) + number;
        return number + escaped(locale.currencySpace) + escaped(locale.currencySymbol);
    default:
        return number;
    }
}

} // namespace

NumberOptions defaultNumberOptions(NumberForm form, convert::Locale const& locale) {
    int const digits = form == NumberForm::Currency ? locale.currencyDigits : locale.numberDigits;
    return {digits, locale.leadingZero, false, true};
}

std::u16string numberFormat(NumberForm form, NumberOptions const& options, convert::Locale const& locale) {
    std::u16string const shown = positive(form, options, locale);
    std::u16string const negative = options.parentheses ? u"(" + shown + u")" : escaped(locale.minusSign) + shown;
    return shown + u";" + negative;
}

} // namespace qor::platform::posix::ole::format
