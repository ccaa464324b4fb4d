#pragma once

// The conversion between the scalar types (the integers, VT_R4, VT_R8,
// VT_DATE, VT_CY, VT_DECIMAL and VT_BOOL, and from them to VT_BSTR): the
// core of Conversion.cpp, here inline, so that a typed function, which names
// both its types (VarI4FromR8), keeps of it only what those two take, and
// costs a rounding and a range check rather than a walk through the matrix.
//
// Every source value is read into one of three forms (an integer, a double or
// an exact decimal) and every target is written from them, so there is one
// path per pair of form and target instead of one function per pair of types.

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <expected>
#include <optional>
#include <variant>

#include "Platform/Posix/Ole/Automation/Conversion.h"
#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Automation/OleDate.h"
#include "Platform/Posix/Ole/Automation/VarType.h"

namespace qor::platform::posix::ole::convert::scalar {

using Number = std::variant<Int128, double, DecimalValue>;

template <class T>
inline std::expected<Number, HRESULT> asNumber(std::expected<T, HRESULT> const& value)
{
    if (!value)
        return std::unexpected(value.error());
    return Number(*value);
}

struct IntegerRange {
    Int128 min;
    Int128 max;
};

constexpr std::optional<IntegerRange> integerRange(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
        return IntegerRange{INT8_MIN, INT8_MAX};
    case VT_UI1:
        return IntegerRange{0, UINT8_MAX};
    case VT_I2:
        return IntegerRange{INT16_MIN, INT16_MAX};
    case VT_UI2:
        return IntegerRange{0, UINT16_MAX};
    case VT_I4:
    case VT_INT:
        return IntegerRange{INT32_MIN, INT32_MAX};
    case VT_UI4:
    case VT_UINT:
        return IntegerRange{0, UINT32_MAX};
    case VT_I8:
        return IntegerRange{INT64_MIN, INT64_MAX};
    case VT_UI8:
        return IntegerRange{0, UINT64_MAX};
    default:
        return std::nullopt;
    }
}

// The bits of a VARIANT_BOOL go into any integer as they are; VariantChangeType
// also copies them between integers of one width (-1 as VT_I2 is 65535 as
// VT_UI2), where the typed functions check the range.
[[gnu::always_inline]] inline bool keepsBits(VARTYPE source, VARTYPE target, Caller caller)
{
    if (!integerRange(target))
        return false;
    return source == VT_BOOL || (caller == Caller::changeType && integerRange(source) &&
                                 vartype::sizeOf(source) == vartype::sizeOf(target));
}

[[gnu::always_inline]] inline std::expected<Number, HRESULT> readScalar(const VARIANT& v)
{
    switch (v.vt) {
    case VT_EMPTY:
        return Int128(0);
    case VT_I1:
        return Int128(static_cast<signed char>(v.cVal));
    case VT_UI1:
        return Int128(v.bVal);
    case VT_I2:
        return Int128(v.iVal);
    case VT_UI2:
        return Int128(v.uiVal);
    case VT_I4:
    case VT_INT:
        return Int128(v.lVal);
    case VT_UI4:
    case VT_UINT:
        return Int128(v.ulVal);
    case VT_I8:
        return Int128(v.llVal);
    case VT_UI8:
        return Int128(v.ullVal);
    case VT_BOOL:
        return Int128(v.boolVal);
    case VT_R4:
        return double(v.fltVal);
    case VT_R8:
        return v.dblVal;
    case VT_DATE:
        return v.date;
    case VT_CY:
        return DecimalValue::fromCurrency(v.cyVal);
    case VT_DECIMAL:
        return asNumber(DecimalValue::fromDecimal(v.decVal));
    default:
        return std::unexpected(DISP_E_TYPEMISMATCH);
    }
}

[[gnu::always_inline]] inline std::expected<Int128, HRESULT> toInteger(const Number& number)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return *integer;
    if (auto* real = std::get_if<double>(&number)) {
        // rint rounds half to even in the default rounding mode.
        double rounded = std::rint(*real);
        if (!std::isfinite(rounded) || std::fabs(rounded) > 0x1p100)
            return std::unexpected(DISP_E_OVERFLOW);
        // Through 64 bits where they hold it: the 128-bit conversion is a
        // library call that costs more than the rest of the conversion.
        if (std::fabs(rounded) < 0x1p62)
            return static_cast<Int128>(static_cast<std::int64_t>(rounded));
        return static_cast<Int128>(rounded);
    }
    return std::get<DecimalValue>(number).toInteger();
}

[[gnu::always_inline]] inline double toDouble(const Number& number)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return static_cast<double>(*integer);
    if (auto* real = std::get_if<double>(&number))
        return *real;
    return std::get<DecimalValue>(number).toDouble();
}

// A float keeps the digits it has, fewer than a double.
inline std::expected<DecimalValue, HRESULT> toDecimal(const Number& number, VARTYPE source)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return DecimalValue::fromInteger(*integer);
    if (auto* real = std::get_if<double>(&number))
        return DecimalValue::fromDouble(*real, source == VT_R4 ? 7 : 15);
    return std::get<DecimalValue>(number);
}

// A double in units of 1/10,000, rounded half to even from the exact
// product: the product taken in doubles would round first, and near the
// ends of the range, where a double no longer holds every unit, lose units
// (922337203685476 would be 448 units more than it is).
inline std::expected<LONGLONG, HRESULT> currencyUnitsOf(double value)
{
    auto const bits = std::bit_cast<std::uint64_t>(value);
    int const biased = static_cast<int>(bits >> 52 & 0x7FF);
    // value = significand * 2^-shift, exactly.
    std::uint64_t significand = bits & ((std::uint64_t(1) << 52) - 1);
    if (biased != 0)
        significand |= std::uint64_t(1) << 52;
    int const shift = 1075 - std::max(biased, 1);
    // From 2^52 on (and infinities and NaN) far beyond the range of a CY.
    if (shift <= 0)
        return std::unexpected(DISP_E_OVERFLOW);
    // The product is below 2^67: beyond 67 places it is less than half a unit.
    if (shift > 68)
        return 0;
    UInt128 const product = UInt128(significand) * 10000;
    UInt128 units = product >> shift;
    UInt128 const rest = product - (units << shift);
    UInt128 const half = UInt128(1) << (shift - 1);
    if (rest > half || (rest == half && (units & 1) != 0))
        ++units;
    bool const negative = (bits >> 63) != 0;
    if (units > (UInt128(1) << 63) - (negative ? 0 : 1))
        return std::unexpected(DISP_E_OVERFLOW);
    return static_cast<LONGLONG>(negative ? -static_cast<Int128>(units) : static_cast<Int128>(units));
}

[[gnu::always_inline]] inline std::expected<LONGLONG, HRESULT> toCurrencyUnits(const Number& number)
{
    if (auto* real = std::get_if<double>(&number))
        return currencyUnitsOf(*real);
    auto decimal = toDecimal(number, VT_R8);
    if (!decimal)
        return std::unexpected(decimal.error());
    return decimal->toCurrencyUnits();
}

[[gnu::always_inline]] inline bool isNonZero(const Number& number)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return *integer != 0;
    if (auto* real = std::get_if<double>(&number))
        return *real != 0;
    return !std::get<DecimalValue>(number).isZero();
}

// The low bits of `value` that fit the target, as they are, the rest of the
// eight bytes zero: written in one store, which a caller that copies the
// VARIANT on reads back at once (a narrow store under a wide load stalls).
[[gnu::always_inline]] inline HRESULT writeBits(Int128 value, VARTYPE target, VARIANT& out)
{
    switch (vartype::sizeOf(target)) {
    case 1:
        out.ullVal = static_cast<BYTE>(value);
        break;
    case 2:
        out.ullVal = static_cast<USHORT>(value);
        break;
    case 4:
        out.ullVal = static_cast<ULONG>(value);
        break;
    default:
        out.llVal = static_cast<LONGLONG>(value);
        break;
    }
    out.vt = target;
    return S_OK;
}

[[gnu::always_inline]] inline HRESULT writeInteger(Int128 value, VARTYPE target, VARIANT& out)
{
    auto range = integerRange(target);
    if (value < range->min || value > range->max)
        return DISP_E_OVERFLOW;
    return writeBits(value, target, out);
}

// A value as text in the locale of the request (Conversion.cpp).
HRESULT writeText(Number const& number, VARTYPE source, Request const& request, VARIANT& out);

inline HRESULT writeDecimal(Number const& number, VARTYPE source, Caller caller, VARIANT& out)
{
    std::expected<DecimalValue, HRESULT> decimal;
    if (source == VT_BOOL) {
        // VarDecFromBool makes true -1, as every integer has it; the
        // decimal VariantChangeType makes of it is 1.
        int const truth = caller == Caller::typedFunction ? -1 : 1;
        decimal = DecimalValue::fromInteger(isNonZero(number) ? truth : 0);
    } else {
        decimal = toDecimal(number, source);
    }
    if (!decimal)
        return decimal.error();
    out.decVal = decimal->toDecimal();
    out.vt = VT_DECIMAL;
    return S_OK;
}

[[gnu::always_inline]] inline HRESULT writeNumber(Number const& number, VARTYPE source, VARTYPE target, Request const& request, VARIANT& out)
{
    if (keepsBits(source, target, request.caller))
        return writeBits(std::get<Int128>(number), target, out);
    if (integerRange(target)) {
        auto value = toInteger(number);
        return value ? writeInteger(*value, target, out) : value.error();
    }
    switch (target) {
    case VT_R8:
        out.dblVal = toDouble(number);
        out.vt = VT_R8;
        return S_OK;
    case VT_R4: {
        double value = toDouble(number);
        if (std::isinf(value) || std::fabs(value) > FLT_MAX)
            return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(value);
        out.vt = VT_R4;
        return S_OK;
    }
    case VT_DATE: {
        double value = toDouble(number);
        if (!isDate(value))
            return DISP_E_OVERFLOW;
        out.date = value;
        out.vt = VT_DATE;
        return S_OK;
    }
    case VT_CY: {
        auto units = toCurrencyUnits(number);
        if (!units)
            return units.error();
        out.cyVal.int64 = *units;
        out.vt = VT_CY;
        return S_OK;
    }
    case VT_DECIMAL:
        return writeDecimal(number, source, request.caller, out);
    case VT_BOOL:
        out.boolVal = isNonZero(number) ? VARIANT_TRUE : VARIANT_FALSE;
        out.vt = VT_BOOL;
        return S_OK;
    case VT_BSTR:
        return writeText(number, source, request, out);
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// A scalar value (no text, object, array or VT_NULL) converted to `target`.
[[gnu::always_inline]] inline HRESULT changeScalar(VARIANT& out, VARIANT const& in, Request const& request,
                                                   VARTYPE target)
{
    auto number = readScalar(in);
    return number ? writeNumber(*number, in.vt, target, request, out) : number.error();
}

} // namespace qor::platform::posix::ole::convert::scalar
