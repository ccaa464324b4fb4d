#pragma once

// The locale's forms of plain numbers, currency amounts and percentages,
// written as formats of VarFormat's language, so that VarFormatNumber,
// VarFormatCurrency, VarFormatPercent and the named formats ("Currency",
// "Standard", ...) all go through the one formatter: "#,##0.00;-#,##0.00"
// for a number in en-US, "#,##0.00\ \€;-#,##0.00\ \€" for an amount in de-DE.

#include <string>

#include "Platform/Posix/Ole/Automation/Locale.h"

namespace qor::platform::posix::ole::format {

enum class NumberForm { Number, Currency, Percent };

struct NumberOptions {
    int digits; // after the decimal separator
    bool leadingZero;
    bool parentheses; // for a negative number, instead of its minus sign
    bool grouping;
};

// What the locale does when a caller leaves it to it.
NumberOptions defaultNumberOptions(NumberForm form, convert::Locale const& locale);

std::u16string numberFormat(NumberForm form, NumberOptions const& options, convert::Locale const& locale);

} // namespace qor::platform::posix::ole::format
