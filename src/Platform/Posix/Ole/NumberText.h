#pragma once

// Number texts as VariantChangeType reads and writes them, in the invariant
// (en-US) form: "-1,234.5e3", "&HFF"; output "1.5", "1E+20", "True".

#include <optional>
#include <string>
#include <string_view>

namespace qor::platform::posix::ole::convert {

struct ParsedNumber {
    std::string digits; // significant digits, no sign or point
    int exponent = 0;   // value = digits * 10^exponent
    bool negative = false;
};

// Surrounding white space is allowed; so are thousands separators in the
// integer part and the &H (hexadecimal) and &O (octal) forms of integers.
std::optional<ParsedNumber> parseNumber(std::u16string_view text);

// "True"/"False" in any case, as VB and VariantChangeType accept them.
std::optional<bool> parseBoolWord(std::u16string_view text);

// A double with the given significant digits (15 for VT_R8, 7 for VT_R4),
// fixed or with an exponent as printf's %G chooses.
std::string formatReal(double value, int significantDigits);

} // namespace qor::platform::posix::ole::convert
