#pragma once

// Number and boolean texts as the conversions read and write them, in the
// form of a locale: "-1,234.5e3", "$12", "(5)", "5-", "&HFF" and "#TRUE#" in
// en-US; out "1.5", "1E+20", and "0,5" in de-DE.

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Automation/Locale.h"
#include "Platform/Posix/Ole/Automation/NumberParse.h"

namespace qor::platform::posix::ole::convert {

// A number text taken apart, as VarParseNumFromStr reports it.
struct ParsedNumber {
    // The significant digits, '0' to '9' and 'A' to 'F', without leading or
    // trailing zeros; "0" for zero.
    std::string digits;
    int exponent = 0;  // the value is digits times 10^exponent (nPwr10)
    int baseShift = 0; // bits of a digit of a &H (4) or &O (3) number
    ULONG flags = 0;   // NUMPRS_* read, NUMPRS_NEG, NUMPRS_INEXACT
    int charsUsed = 0;
    // Zeros the text has after the last significant digit, which Windows
    // writes after the digits as far as there is room.
    int trailingZeros = 0;

    bool negative() const { return (flags & NUMPRS_NEG) != 0; }
    bool isZero() const { return digits.find_first_not_of('0') == std::string::npos; }
};

inline constexpr std::size_t kAllDigits = std::numeric_limits<std::size_t>::max();

// Reads the number the text starts with, written as `allowed` (NUMPRS_*)
// lets it be in the locale: signs before or after it, parentheses, the
// currency symbol before it or (repeated) after it, group separators in the
// integer part, a decimal separator, an exponent, the &H and &O forms of
// integers, white space around it. Of the significant digits at most
// maxDigits are kept (NUMPRS_INEXACT when that drops any). Nothing for a text
// with no number, or with more after it than NUMPRS_USE_ALL allows.
std::optional<ParsedNumber> parseNumber(std::u16string_view text, Locale const& locale, ULONG allowed,
                                        std::size_t maxDigits = kAllDigits);

enum class BooleanWords { English, EnglishAndLocal };

// "#TRUE#" and "#FALSE#" exactly, "True" and "False" in any case and, when
// asked for, the locale's own words in any case.
std::optional<bool> parseBoolean(std::u16string_view text, Locale const& locale, BooleanWords words);

// The digits of a finite double rounded to `count` significant ones, as
// Windows keeps 15 of a VT_R8 and 7 of a VT_R4, trailing zeros dropped:
// 0.1 is "1" times 10^-1, not a rounding of its binary value. No digits for
// zero.
ParsedNumber significantDigits(double value, int count);

// A double with the given significant digits (15 for VT_R8, 7 for VT_R4),
// fixed or with an exponent as printf's %G chooses; "INF" and "NAN" for the
// values that are no numbers.
std::string formatReal(double value, int significantDigits);

// An invariant number text ("-1.5E+20") with the locale's decimal separator.
std::u16string localNumber(std::string_view invariant, Locale const& locale);

} // namespace qor::platform::posix::ole::convert
