#include "Platform/Posix/Ole/Automation/DecimalArithmetic.h"

#include <algorithm>
#include <string>
#include <vector>

#include "Platform/Posix/Ole/Automation/VarArithmetic.h"

namespace qor::platform::posix::ole::arith {

using convert::UInt128;

namespace {

// Decimal digits of any length, most significant first, for the exact
// intermediate results that a 128-bit integer cannot hold.
std::string digitsOf(UInt128 value)
{
    std::string digits;
    do {
        digits.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
}

// The magnitude with `zeros` more places: value * 10^zeros.
std::string scaledDigits(DecimalValue const& value, int zeros)
{
    return digitsOf(value.magnitude) + std::string(static_cast<std::size_t>(zeros), '0');
}

int compareDigits(std::string_view a, std::string_view b)
{
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    int order = a.compare(b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

std::string addDigits(std::string const& a, std::string const& b)
{
    std::string sum;
    int carry = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry != 0; ++i) {
        int digit = carry;
        if (i < a.size())
            digit += a[a.size() - 1 - i] - '0';
        if (i < b.size())
            digit += b[b.size() - 1 - i] - '0';
        sum.push_back(static_cast<char>('0' + digit % 10));
        carry = digit / 10;
    }
    std::reverse(sum.begin(), sum.end());
    return sum;
}

// a - b for a >= b.
std::string subtractDigits(std::string const& a, std::string const& b)
{
    std::string difference;
    int borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        int digit = (a[a.size() - 1 - i] - '0') - borrow - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
        borrow = digit < 0 ? 1 : 0;
        difference.push_back(static_cast<char>('0' + digit + 10 * borrow));
    }
    std::reverse(difference.begin(), difference.end());
    return difference;
}

std::string multiplyDigits(std::string const& a, std::string const& b)
{
    std::vector<int> product(a.size() + b.size(), 0);
    for (std::size_t i = a.size(); i-- > 0;)
        for (std::size_t j = b.size(); j-- > 0;)
            product[i + j + 1] += (a[i] - '0') * (b[j] - '0');
    for (std::size_t k = product.size(); k-- > 1;) {
        product[k - 1] += product[k] / 10;
        product[k] %= 10;
    }
    std::string digits;
    for (int digit : product)
        digits.push_back(static_cast<char>('0' + digit));
    return digits;
}

std::expected<DecimalValue, HRESULT> fromExact(std::string const& digits, int scale, bool negative)
{
    // Zero keeps the places it was computed with: 0.00 + 0 is 0.00.
    if (digits.find_first_not_of('0') == std::string::npos) {
        DecimalValue zero;
        zero.scale = std::min(scale, DecimalValue::kMaxScale);
        return zero;
    }
    return DecimalValue::fromDigits(digits, -scale, negative);
}

// Both magnitudes at the larger scale, when 128 bits hold them: below
// 2^96 times at most 10^9 is below 2^126, which a sum still fits.
bool aligned(DecimalValue const& left, DecimalValue const& right, UInt128& a, UInt128& b)
{
    int const shift = left.scale - right.scale;
    if (shift > 9 || shift < -9)
        return false;
    a = shift < 0 ? left.magnitude * convert::powerOfTen(-shift) : left.magnitude;
    b = shift > 0 ? right.magnitude * convert::powerOfTen(shift) : right.magnitude;
    return true;
}

} // namespace

std::expected<DecimalValue, HRESULT> add(DecimalValue const& left, DecimalValue const& right)
{
    UInt128 x = 0;
    UInt128 y = 0;
    if (aligned(left, right, x, y)) {
        DecimalValue sum;
        sum.scale = std::max(left.scale, right.scale);
        if (left.negative == right.negative) {
            sum.magnitude = x + y;
            sum.negative = left.negative;
        } else {
            sum.magnitude = x >= y ? x - y : y - x;
            sum.negative = x >= y ? left.negative : right.negative;
        }
        if (sum.magnitude < DecimalValue::kLimit)
            return sum;
    }
    int const scale = std::max(left.scale, right.scale);
    std::string const a = scaledDigits(left, scale - left.scale);
    std::string const b = scaledDigits(right, scale - right.scale);
    if (left.negative == right.negative) {
        auto sum = fromExact(addDigits(a, b), scale, left.negative);
        return sum;
    }
    int const order = compareDigits(a, b);
    if (order == 0) {
        DecimalValue zero;
        zero.scale = scale;
        return zero;
    }
    return order > 0 ? fromExact(subtractDigits(a, b), scale, left.negative)
                     : fromExact(subtractDigits(b, a), scale, right.negative);
}

std::expected<DecimalValue, HRESULT> multiply(DecimalValue const& left, DecimalValue const& right)
{
    std::string const product = multiplyDigits(digitsOf(left.magnitude), digitsOf(right.magnitude));
    return fromExact(product, left.scale + right.scale, left.negative != right.negative);
}

std::expected<DecimalValue, HRESULT> divide(DecimalValue const& left, DecimalValue const& right)
{
    if (right.isZero())
        return std::unexpected(DISP_E_DIVBYZERO);
    // Long division, one digit at a time, until the quotient has more
    // digits than a DECIMAL keeps; a remainder left over is one more digit
    // that makes an exact half round up.
    UInt128 remainder = left.magnitude % right.magnitude;
    std::string digits = digitsOf(left.magnitude / right.magnitude);
    int places = 0;
    auto significant = [&] { return digits.size() - std::min(digits.find_first_not_of('0'), digits.size()); };
    while (remainder != 0 && significant() < 31 && places < 60) {
        remainder *= 10;
        digits.push_back(static_cast<char>('0' + static_cast<int>(remainder / right.magnitude)));
        remainder %= right.magnitude;
        ++places;
    }
    if (remainder != 0)
        digits.push_back('1'), ++places;
    // Trailing zeros of an exact quotient are no precision of it.
    while (places > 0 && digits.size() > 1 && digits.back() == '0')
        digits.pop_back(), --places;
    return fromExact(digits, places + left.scale - right.scale, left.negative != right.negative);
}

DecimalValue negated(DecimalValue value)
{
    value.negative = !value.negative;
    return value;
}

DecimalValue truncated(DecimalValue const& value, bool floor)
{
    UInt128 const unit = convert::powerOfTen(value.scale);
    DecimalValue result;
    result.negative = value.negative;
    result.magnitude = value.magnitude / unit;
    if (floor && value.negative && value.magnitude % unit != 0)
        ++result.magnitude;
    return result;
}

DecimalValue rounded(DecimalValue const& value, int places)
{
    if (places >= value.scale)
        return value;
    DecimalValue result = value;
    result.magnitude = convert::roundDivide(value.magnitude, value.scale - places);
    result.scale = places;
    return result;
}

int compare(DecimalValue const& left, DecimalValue const& right)
{
    bool const leftNegative = left.negative && !left.isZero();
    bool const rightNegative = right.negative && !right.isZero();
    if (leftNegative != rightNegative)
        return leftNegative ? VARCMP_LT : VARCMP_GT;
    UInt128 a = 0;
    UInt128 b = 0;
    if (aligned(left, right, a, b)) {
        int const order = a < b ? -1 : a > b ? 1 : 0;
        int const signedOrder = leftNegative ? -order : order;
        return signedOrder < 0 ? VARCMP_LT : signedOrder > 0 ? VARCMP_GT : VARCMP_EQ;
    }
    int const scale = std::max(left.scale, right.scale);
    int order = compareDigits(scaledDigits(left, scale - left.scale), scaledDigits(right, scale - right.scale));
    if (leftNegative)
        order = -order;
    return order < 0 ? VARCMP_LT : order > 0 ? VARCMP_GT : VARCMP_EQ;
}

} // namespace qor::platform::posix::ole::arith

using namespace qor::platform::posix::ole;
using arith::DecimalValue;

namespace {

// A result keeps the operand's sign, a negative zero included.
template <class Operation>
HRESULT unaryDecimal(LPDECIMAL in, LPDECIMAL result, Operation operation)
{
    if (in == nullptr || result == nullptr)
        return E_INVALIDARG;
    auto value = DecimalValue::fromDecimal(*in);
    if (!value)
        return value.error();
    DECIMAL out = operation(*value).toDecimal();
    out.sign = in->sign;
    convert::storeDecimal(*result, out);
    return S_OK;
}

// Abs and Neg change the sign bit alone, whatever else the sign byte
// holds, as Windows does.
HRESULT withSign(LPDECIMAL in, LPDECIMAL result, BYTE sign)
{
    if (in == nullptr || result == nullptr)
        return E_INVALIDARG;
    DECIMAL out = *in;
    out.sign = sign;
    convert::storeDecimal(*result, out);
    return S_OK;
}

template <class Operation>
HRESULT binaryDecimal(LPDECIMAL left, LPDECIMAL right, LPDECIMAL result, Operation operation)
{
    if (left == nullptr || right == nullptr || result == nullptr)
        return E_INVALIDARG;
    auto a = DecimalValue::fromDecimal(*left);
    auto b = DecimalValue::fromDecimal(*right);
    if (!a || !b)
        return E_INVALIDARG;
    auto value = operation(*a, *b);
    if (!value)
        return value.error();
    convert::storeDecimal(*result, value->toDecimal());
    return S_OK;
}

} // namespace

HRESULT VarDecAdd(LPDECIMAL pdecLeft, LPDECIMAL pdecRight, LPDECIMAL pdecResult)
{
    return binaryDecimal(pdecLeft, pdecRight, pdecResult, arith::add);
}

HRESULT VarDecSub(LPDECIMAL pdecLeft, LPDECIMAL pdecRight, LPDECIMAL pdecResult)
{
    return binaryDecimal(pdecLeft, pdecRight, pdecResult,
                         [](DecimalValue const& a, DecimalValue const& b) { return arith::add(a, arith::negated(b)); });
}

HRESULT VarDecMul(LPDECIMAL pdecLeft, LPDECIMAL pdecRight, LPDECIMAL pdecResult)
{
    return binaryDecimal(pdecLeft, pdecRight, pdecResult, arith::multiply);
}

HRESULT VarDecDiv(LPDECIMAL pdecLeft, LPDECIMAL pdecRight, LPDECIMAL pdecResult)
{
    return binaryDecimal(pdecLeft, pdecRight, pdecResult, arith::divide);
}

HRESULT VarDecAbs(LPDECIMAL pdecIn, LPDECIMAL pdecResult)
{
    return withSign(pdecIn, pdecResult, pdecIn != nullptr ? BYTE(pdecIn->sign & ~DECIMAL_NEG) : 0);
}

HRESULT VarDecFix(LPDECIMAL pdecIn, LPDECIMAL pdecResult)
{
    return unaryDecimal(pdecIn, pdecResult, [](DecimalValue const& value) { return arith::truncated(value, false); });
}

HRESULT VarDecInt(LPDECIMAL pdecIn, LPDECIMAL pdecResult)
{
    return unaryDecimal(pdecIn, pdecResult, [](DecimalValue const& value) { return arith::truncated(value, true); });
}

HRESULT VarDecNeg(LPDECIMAL pdecIn, LPDECIMAL pdecResult)
{
    return withSign(pdecIn, pdecResult, pdecIn != nullptr ? BYTE(pdecIn->sign ^ DECIMAL_NEG) : 0);
}

HRESULT VarDecRound(LPDECIMAL pdecIn, int cDecimals, LPDECIMAL pdecResult)
{
    if (cDecimals < 0)
        return E_INVALIDARG;
    return unaryDecimal(pdecIn, pdecResult,
                        [cDecimals](DecimalValue const& value) { return arith::rounded(value, cDecimals); });
}

HRESULT VarDecCmp(LPDECIMAL pdecLeft, LPDECIMAL pdecRight)
{
    if (pdecLeft == nullptr || pdecRight == nullptr)
        return E_INVALIDARG;
    auto a = DecimalValue::fromDecimal(*pdecLeft);
    auto b = DecimalValue::fromDecimal(*pdecRight);
    if (!a || !b)
        return E_INVALIDARG;
    return arith::compare(*a, *b);
}

HRESULT VarDecCmpR8(LPDECIMAL pdecLeft, double dblRight)
{
    auto right = DecimalValue::fromDouble(dblRight);
    if (!right)
        return right.error();
    DECIMAL decimal = right->toDecimal();
    return VarDecCmp(pdecLeft, &decimal);
}
