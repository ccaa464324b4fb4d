#pragma once

// Exact decimal arithmetic behind the conversions of VARIANTs: a 96-bit
// magnitude with a power-of-ten scale and a sign, the value of a DECIMAL and
// of a CY, and the form into which number texts are parsed.

#include <cstdint>
#include <expected>
#include <iterator>
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

private:
    // The nearest double by way of the invariant text.
    double toDoubleThroughText() const;
};

// Small and on every conversion's way: inline.
inline std::expected<DecimalValue, HRESULT> DecimalValue::fromDecimal(const DECIMAL& value)
{
    if (value.scale > kMaxScale || (value.sign & ~DECIMAL_NEG) != 0)
        return std::unexpected(E_INVALIDARG);
    DecimalValue result;
    result.magnitude = (UInt128(value.Hi32) << 64) | value.Lo64;
    result.scale = value.scale;
    result.negative = (value.sign & DECIMAL_NEG) != 0;
    return result;
}

inline DecimalValue DecimalValue::fromCurrency(const CY& value)
{
    DecimalValue result;
    result.negative = value.int64 < 0;
    result.magnitude = result.negative ? UInt128(-Int128(value.int64)) : UInt128(value.int64);
    result.scale = 4;
    return result;
}

inline std::expected<DecimalValue, HRESULT> DecimalValue::fromInteger(Int128 value)
{
    DecimalValue result;
    result.negative = value < 0;
    result.magnitude = result.negative ? UInt128(-value) : UInt128(value);
    if (result.magnitude >= kLimit)
        return std::unexpected(DISP_E_OVERFLOW);
    return result;
}

inline DECIMAL DecimalValue::toDecimal() const
{
    DECIMAL result{};
    result.Hi32 = static_cast<ULONG>(magnitude >> 64);
    result.Lo64 = static_cast<ULONGLONG>(magnitude);
    result.scale = static_cast<BYTE>(scale);
    result.sign = negative && magnitude != 0 ? DECIMAL_NEG : 0;
    return result;
}

inline double DecimalValue::toDouble() const
{
    // When the digits and the power of ten are both exact in a double, one
    // division rounds once, to the double nearest the decimal.
    static constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (magnitude < (UInt128(1) << 53) && scale < int(std::size(kExactPowers))) {
        double const value = static_cast<double>(static_cast<std::uint64_t>(magnitude)) / kExactPowers[scale];
        return negative ? -value : value;
    }
    return toDoubleThroughText();
}

// A DECIMAL result written where the caller asked: its first two bytes are
// left alone, since they are the type of a VARIANT that holds the DECIMAL
// (VarDecFromR8(x, &V_DECIMAL(&v)) keeps v a VT_DECIMAL).
inline void storeDecimal(DECIMAL& out, DECIMAL value)
{
    value.wReserved = out.wReserved;
    out = value;
}

// Divides by 10^digits, rounding half to even.
UInt128 roundDivide(UInt128 value, int digits);
UInt128 powerOfTen(int exponent);

} // namespace qor::platform::posix::ole::convert
