#pragma once

// Exact decimal arithmetic behind the conversions of VARIANTs: a 96-bit
// magnitude with a power-of-ten scale and a sign, the value of a DECIMAL and
// of a CY, and the form into which number texts are parsed.

#include <expected>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/HResult.h"

namespace qor::platform::posix::ole::convert {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

struct DecimalValue {
    UInt128 magnitude = 0; // below 2^96
    int scale = 0;         // 0 to 28
    bool negative = false;

    static constexpr int kMaxScale = 28;
    static constexpr UInt128 kLimit = UInt128(1) << 96;

    static std::expected<DecimalValue, HRESULT> fromDecimal(const DECIMAL& value);
    static DecimalValue fromCurrency(const CY& value);
    static std::expected<DecimalValue, HRESULT> fromInteger(Int128 value);
    // Windows keeps 15 significant digits of a double, 7 of a float.
    static std::expected<DecimalValue, HRESULT> fromDouble(double value, int significantDigits = 15);
    // digits (no sign, no point) times 10^exponent, rounded half to even to
    // what fits; DISP_E_OVERFLOW when the integer part does not.
    static std::expected<DecimalValue, HRESULT> fromDigits(std::string_view digits, int exponent, bool negative);

    DECIMAL toDecimal() const;
    // Rounded half to even to an integer.
    Int128 toInteger() const;
    // Rounded half to even to four places, as a CY holds it.
    std::expected<LONGLONG, HRESULT> toCurrencyUnits() const;
    double toDouble() const;
    // Invariant text without trailing fractional zeros: "-1.5", "0.25", "3".
    std::string toText() const;
    bool isZero() const { return magnitude == 0; }
};

// Divides by 10^digits, rounding half to even.
UInt128 roundDivide(UInt128 value, int digits);
UInt128 powerOfTen(int exponent);

} // namespace qor::platform::posix::ole::convert
