#pragma once

// Number and boolean texts as VariantChangeType reads and writes them, in the
// form of a locale: "-1,234.5e3", "$12", "(5)", "5-", "&HFF" and "#TRUE#" in
// en-US; out "1.5", "1E+20", and "0,5" in de-DE.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Automation/Locale.h"

namespace qor::platform::posix::ole::convert {

struct ParsedNumber {
    std::string digits; // significant digits, no sign or point
    int exponent = 0;   // value = digits * 10^exponent
    bool negative = false;
    std::optional<std::uint64_t> bits; // the value of an &H or &O number
};

// Surrounding white space is allowed, and so are, as Windows reads numbers:
// a sign before or after the number, parentheses for a negative one, the
// currency symbol before or after it, group separators in the integer part,
// an exponent, and the &H (hexadecimal) and &O (octal) forms of integers.
std::optional<ParsedNumber> parseNumber(std::u16string_view text, Locale const& locale);

enum class BooleanWords { English, EnglishAndLocal };

// "#TRUE#" and "#FALSE#" exactly, "True" and "False" in any case and, when
// asked for, the locale's own words in any case.
std::optional<bool> parseBoolean(std::u16string_view text, Locale const& locale, BooleanWords words);

// The digits of a finite double rounded to `count` significant ones, as
// Windows keeps 15 of a VT_R8 and 7 of a VT_R4, trailing zeros dropped:
// 0.1 is "1" times 10^-1, not a rounding of its binary value.
ParsedNumber significantDigits(double value, int count);

// A double with the given significant digits (15 for VT_R8, 7 for VT_R4),
// fixed or with an exponent as printf's %G chooses; "INF" and "NAN" for the
// values that are no numbers.
std::string formatReal(double value, int significantDigits);

// An invariant number text ("-1.5E+20") with the locale's decimal separator.
std::u16string localNumber(std::string_view invariant, Locale const& locale);

} // namespace qor::platform::posix::ole::convert
