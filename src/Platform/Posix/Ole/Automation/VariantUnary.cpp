// VarAbs, VarNeg, VarFix, VarInt, VarRound and VarNot: one operand, whose
// type the result keeps, except that VT_BOOL and VT_EMPTY become VT_I2, a
// text the VT_R8 it spells, and an integer that overflows (the negation of
// the smallest one) the next wider type.

#include <cfenv>
#include <cmath>

#include "Platform/Posix/Ole/Automation/DecimalArithmetic.h"
#include "Platform/Posix/Ole/Automation/NumericOperand.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"
#include "Platform/Posix/Ole/Automation/VariantOperand.h"

using namespace qor::platform::posix::ole;

namespace {

enum class Unary { absolute, negation, fix, floor, round };

// The operand; a value of no number is refused.
std::expected<VARIANT, HRESULT> unaryOperand(VARIANT const* in)
{
    auto value = arith::operandValue(in);
    if (!value)
        return value;
    switch (value->vt) {
    case VT_ERROR: case VT_UNKNOWN: case VT_RECORD:
        return std::unexpected(DISP_E_TYPEMISMATCH);
    default:
        return value;
    }
}

// VarAbs, VarNeg, VarFix, VarInt and VarRound have no arithmetic for the
// unsigned, the narrow signed and the machine integers.
std::expected<VARIANT, HRESULT> signedOperand(VARIANT const* in)
{
    auto value = unaryOperand(in);
    if (!value)
        return value;
    switch (value->vt) {
    case VT_I1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_INT: case VT_UINT:
        return std::unexpected(DISP_E_BADVARTYPE);
    default:
        return value;
    }
}

// VarNot answers a type it has no value of by whether a VARIANT may hold
// it at all: a reference or an array of a value type is a mismatch.
std::expected<VARIANT, HRESULT> complementOperand(VARIANT const* in)
{
    if (in == nullptr)
        return std::unexpected(E_INVALIDARG);
    VARTYPE const flags = in->vt & ~VT_TYPEMASK;
    VARTYPE const base = in->vt & VT_TYPEMASK;
    bool const holdable = (arith::isValueType(base) || base == VT_VARIANT) && base != VT_CLSID;
    if (flags != 0 && flags != VT_BYREF && flags != VT_ARRAY && flags != (VT_BYREF | VT_ARRAY))
        return std::unexpected(DISP_E_BADVARTYPE);
    if (flags == 0 && base == VT_VARIANT)
        return std::unexpected(DISP_E_TYPEMISMATCH);
    if (flags != 0)
        return std::unexpected(base > VT_NULL && holdable ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE);
    return unaryOperand(in);
}

double roundedReal(double value, int places)
{
    double const scale = std::pow(10.0, places);
    int const mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    double const result = std::nearbyint(value * scale) / scale;
    std::fesetround(mode);
    return result;
}

double realOperation(Unary operation, double value, int places)
{
    switch (operation) {
    case Unary::absolute: return std::fabs(value);
    case Unary::negation: return -value;
    case Unary::fix: return std::trunc(value);
    case Unary::floor: return std::floor(value);
    default: return roundedReal(value, places);
    }
}

std::expected<VARIANT, HRESULT> decimalOperation(Unary operation, VARIANT const& in, int places)
{
    auto value = arith::decimalOf(in);
    if (!value)
        return std::unexpected(value.error());
    convert::DecimalValue result = *value;
    switch (operation) {
    case Unary::absolute: result.negative = false; break;
    case Unary::negation: result = arith::negated(result); break;
    case Unary::fix: result = arith::truncated(result, false); break;
    case Unary::floor: result = arith::truncated(result, true); break;
    default: result = arith::rounded(result, places); break;
    }
    VARIANT out{};
    out.decVal = result.toDecimal();
    out.vt = VT_DECIMAL;
    return out;
}

std::expected<VARIANT, HRESULT> currencyOperation(Unary operation, CY in, int places)
{
    VARIANT out{};
    out.vt = VT_CY;
    HRESULT hr = S_OK;
    switch (operation) {
    case Unary::absolute: hr = VarCyAbs(in, &out.cyVal); break;
    case Unary::negation: hr = VarCyNeg(in, &out.cyVal); break;
    case Unary::fix: hr = VarCyFix(in, &out.cyVal); break;
    case Unary::floor: hr = VarCyInt(in, &out.cyVal); break;
    default: hr = VarCyRound(in, places, &out.cyVal); break;
    }
    if (FAILED(hr))
        return std::unexpected(hr);
    return out;
}

std::expected<VARIANT, HRESULT> integerOperation(Unary operation, VARIANT const& in, VARTYPE type)
{
    auto value = arith::integerOf(in);
    if (!value)
        return std::unexpected(value.error());
    convert::Int128 x = *value;
    if (operation == Unary::negation)
        x = -x;
    else if (operation == Unary::absolute && x < 0)
        x = -x;
    // The negation of a byte is no byte.
    if (operation == Unary::negation && type == VT_UI1)
        type = VT_I2;
    return arith::promotedInteger(x, type);
}

std::expected<VARIANT, HRESULT> unary(Unary operation, VARIANT const* in, int places)
{
    auto value = signedOperand(in);
    if (!value)
        return value;
    OwnedVariant object;
    HRESULT hr = arith::valueOfObject(*value, object);
    if (FAILED(hr))
        return std::unexpected(hr);
    switch (value->vt) {
    case VT_NULL: return arith::nullResult();
    case VT_DECIMAL: return decimalOperation(operation, *value, places);
    case VT_CY: return currencyOperation(operation, value->cyVal, places);
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_BSTR: {
        auto real = arith::realOf(*value);
        if (!real)
            return std::unexpected(real.error());
        VARTYPE const type = value->vt == VT_BSTR ? VARTYPE(VT_R8) : value->vt;
        return arith::realResult(realOperation(operation, *real, places), type);
    }
    case VT_EMPTY:
    case VT_BOOL: return integerOperation(operation, *value, VT_I2);
    case VT_UI1:
    case VT_I2:
    case VT_I4:
    case VT_I8: return integerOperation(operation, *value, value->vt);
    default:
        // The other integers keep no type of their own here: as VT_I4.
        return integerOperation(operation, *value, VT_I4);
    }
}

HRESULT unaryOperation(Unary operation, LPVARIANT in, LPVARIANT result, int places = 0)
{
    if (result == nullptr)
        return E_INVALIDARG;
    return arith::giveResult(result, unary(operation, in, places));
}

// Not: the integer types keep their type, except the unsigned and machine
// ones, and the numbers that are not integers, which become VT_I4; a text
// is a number, or else the boolean it spells.
VARTYPE complementType(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: return VT_I2;
    case VT_BOOL: case VT_UI1: case VT_I2: case VT_I4: case VT_I8: return vt;
    default: return VT_I4;
    }
}

std::expected<VARIANT, HRESULT> complement(VARIANT const* in)
{
    auto value = complementOperand(in);
    if (!value)
        return value;
    OwnedVariant converted;
    HRESULT hr = arith::valueOfObject(*value, converted);
    if (FAILED(hr))
        return std::unexpected(hr);
    if (value->vt == VT_NULL)
        return arith::nullResult();
    if (value->vt == VT_BSTR) {
        OwnedVariant number;
        hr = arith::coerce(number, *value, VT_R8);
        if (FAILED(hr))
            hr = arith::coerce(number, *value, VT_BOOL);
        if (FAILED(hr))
            return std::unexpected(hr);
        return complement(&number.v);
    }
    VARTYPE const type = complementType(value->vt);
    auto bits = arith::integerOf(*value);
    if (!bits)
        return std::unexpected(bits.error());
    auto checked = arith::exactInteger(*bits, type == VT_BOOL || type == VT_UI1 ? VARTYPE(VT_I4) : type);
    if (!checked)
        return checked;
    VARIANT result{};
    result.vt = type;
    switch (type) {
    case VT_UI1: result.bVal = static_cast<BYTE>(~*bits); break;
    case VT_I2:
    case VT_BOOL: result.iVal = static_cast<SHORT>(~*bits); break;
    case VT_I4: result.lVal = static_cast<LONG>(~*bits); break;
    default: result.llVal = ~*bits; break;
    }
    return result;
}

} // namespace

HRESULT VarAbs(LPVARIANT pvarIn, LPVARIANT pvarResult)
{
    return unaryOperation(Unary::absolute, pvarIn, pvarResult);
}

HRESULT VarNeg(LPVARIANT pvarIn, LPVARIANT pvarResult)
{
    return unaryOperation(Unary::negation, pvarIn, pvarResult);
}

HRESULT VarFix(LPVARIANT pvarIn, LPVARIANT pvarResult)
{
    return unaryOperation(Unary::fix, pvarIn, pvarResult);
}

HRESULT VarInt(LPVARIANT pvarIn, LPVARIANT pvarResult)
{
    return unaryOperation(Unary::floor, pvarIn, pvarResult);
}

HRESULT VarRound(LPVARIANT pvarIn, int cDecimals, LPVARIANT pvarResult)
{
    if (cDecimals < 0)
        return E_INVALIDARG;
    return unaryOperation(Unary::round, pvarIn, pvarResult, cDecimals);
}

HRESULT VarNot(LPVARIANT pvarIn, LPVARIANT pvarResult)
{
    if (pvarResult == nullptr)
        return E_INVALIDARG;
    return arith::giveResult(pvarResult, complement(pvarIn));
}

HRESULT VarR8Round(double dblIn, int cDecimals, double* pdblResult)
{
    if (pdblResult == nullptr || cDecimals < 0)
        return E_INVALIDARG;
    *pdblResult = roundedReal(dblIn, cDecimals);
    return S_OK;
}
