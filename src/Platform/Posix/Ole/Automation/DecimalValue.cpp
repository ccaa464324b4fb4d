#include "Platform/Posix/Ole/Automation/DecimalValue.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "Platform/Posix/Ole/Automation/NumberText.h"

namespace qor::platform::posix::ole::convert {

UInt128 powerOfTen(int exponent)
{
    UInt128 result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

UInt128 roundDivide(UInt128 value, int digits)
{
    if (digits <= 0)
        return value;
    // Beyond 38 digits every 96-bit value rounds to zero.
    if (digits > 38)
        return 0;
    UInt128 divisor = powerOfTen(digits);
    UInt128 quotient = value / divisor;
    UInt128 remainder = value % divisor;
    UInt128 half = divisor / 2;
    if (remainder > half || (remainder == half && (quotient & 1) != 0))
        ++quotient;
    return quotient;
}

std::expected<DecimalValue, HRESULT> DecimalValue::fromDouble(double value, int digitCount)
{
    if (!std::isfinite(value))
        return std::unexpected(DISP_E_OVERFLOW);
    // The digits are a rounding of the double, not a measured
    // precision: 0.1 becomes 0.1, not 0.10000000000000.
    ParsedNumber const number = significantDigits(value, digitCount);
    return fromDigits(number.digits, number.exponent, number.negative());
}

std::expected<DecimalValue, HRESULT> DecimalValue::fromDigits(std::string_view digits, int exponent, bool negative)
{
    while (!digits.empty() && digits.front() == '0')
        digits.remove_prefix(1);
    DecimalValue result;
    result.negative = negative;
    if (digits.empty())
        return result;
    int integerDigits = static_cast<int>(digits.size()) + exponent;
    if (integerDigits > 29)
        return std::unexpected(DISP_E_OVERFLOW);
    // Keep at most 29 significant digits and no more than 28 fractional
    // ones; the rest rounds.
    int fractional = exponent < 0 ? -exponent : 0;
    int keepFractional = std::min(fractional, kMaxScale);
    int drop = fractional - keepFractional;
    int available = static_cast<int>(digits.size()) - drop;
    if (available > 29) {
        drop += available - 29;
        keepFractional -= available - 29;
    }
    if (keepFractional < 0)
        return std::unexpected(DISP_E_OVERFLOW);
    if (drop > static_cast<int>(digits.size())) {
        // Smaller than half of the last place kept.
        result.scale = keepFractional;
        return result;
    }
    UInt128 value = 0;
    std::size_t used = digits.size() - static_cast<std::size_t>(std::max(drop, 0));
    for (std::size_t i = 0; i < used; ++i)
        value = value * 10 + static_cast<unsigned>(digits[i] - '0');
    if (drop > 0) {
        // Round on the dropped digits: more than half, exactly half, less.
        std::string_view rest = digits.substr(used);
        bool aboveHalf = rest.front() > '5' ||
                         (rest.front() == '5' && rest.find_first_not_of('0', 1) != std::string_view::npos);
        bool half = rest.front() == '5' && !aboveHalf;
        if (aboveHalf || (half && (value & 1) != 0))
            ++value;
    }
    for (int i = 0; i < exponent; ++i)
        value *= 10;
    while (value >= kLimit && keepFractional > 0) {
        value = roundDivide(value, 1);
        --keepFractional;
    }
    if (value >= kLimit)
        return std::unexpected(DISP_E_OVERFLOW);
    result.magnitude = value;
    result.scale = keepFractional;
    return result;
}

Int128 DecimalValue::toInteger() const
{
    Int128 value = static_cast<Int128>(roundDivide(magnitude, scale));
    return negative ? -value : value;
}

std::expected<LONGLONG, HRESULT> DecimalValue::toCurrencyUnits() const
{
    UInt128 units = scale > 4 ? roundDivide(magnitude, scale - 4) : magnitude * powerOfTen(4 - scale);
    Int128 value = negative ? -static_cast<Int128>(units) : static_cast<Int128>(units);
    if (value < std::numeric_limits<LONGLONG>::min() || value > std::numeric_limits<LONGLONG>::max())
        return std::unexpected(DISP_E_OVERFLOW);
    return static_cast<LONGLONG>(value);
}

double DecimalValue::toDoubleThroughText() const
{
    std::string text = toText();
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string DecimalValue::toText() const
{
    std::string digits;
    for (UInt128 rest = magnitude; rest != 0; rest /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
    if (static_cast<int>(digits.size()) <= scale)
        digits.insert(0, static_cast<std::size_t>(scale) - digits.size() + 1, '0');
    if (scale > 0) {
        digits.insert(digits.size() - static_cast<std::size_t>(scale), 1, '.');
        while (digits.back() == '0')
            digits.pop_back();
        if (digits.back() == '.')
            digits.pop_back();
    }
    if (negative && magnitude != 0)
        digits.insert(0, 1, '-');
    return digits;
}

} // namespace qor::platform::posix::ole::convert
