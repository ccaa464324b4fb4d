#include "Platform/Posix/Ole/Automation/NumericOperand.h"

#include <cmath>
#include <limits>

#include "Platform/Posix/Ole/Automation/VariantOperand.h"

namespace qor::platform::posix::ole::arith {

namespace {

template <class Read>
auto converted(VARIANT const& value, VARTYPE target, Read read) -> std::expected<decltype(read(VARIANT{})), HRESULT>
{
    OwnedVariant out;
    HRESULT hr = coerce(out, value, target);
    if (FAILED(hr))
        return std::unexpected(hr);
    return read(out.v);
}

} // namespace

std::expected<double, HRESULT> realOf(VARIANT const& value)
{
    switch (value.vt) {
    case VT_EMPTY: return 0.0;
    case VT_UI1: return value.bVal;
    case VT_I2: return value.iVal;
    case VT_BOOL: return value.boolVal;
    case VT_I4: return value.lVal;
    case VT_R4: return value.fltVal;
    case VT_R8: return value.dblVal;
    case VT_DATE: return value.date;
    case VT_CY: return static_cast<double>(value.cyVal.int64) / 10000; // as VarR8FromCy
    default: return converted(value, VT_R8, [](VARIANT const& v) { return v.dblVal; });
    }
}

std::expected<LONGLONG, HRESULT> integerOf(VARIANT const& value)
{
    switch (value.vt) {
    case VT_EMPTY: return 0;
    case VT_UI1: return value.bVal;
    case VT_I2: return value.iVal;
    case VT_BOOL: return value.boolVal;
    case VT_I4: return value.lVal;
    case VT_I8: return value.llVal;
    default: return converted(value, VT_I8, [](VARIANT const& v) { return v.llVal; });
    }
}

std::expected<CY, HRESULT> currencyOf(VARIANT const& value)
{
    if (value.vt == VT_CY)
        return value.cyVal;
    return converted(value, VT_CY, [](VARIANT const& v) { return v.cyVal; });
}

std::expected<convert::DecimalValue, HRESULT> decimalOf(VARIANT const& value)
{
    auto decimal = value.vt == VT_DECIMAL
                       ? std::expected<DECIMAL, HRESULT>(value.decVal)
                       : converted(value, VT_DECIMAL, [](VARIANT const& v) { return v.decVal; });
    if (!decimal)
        return std::unexpected(decimal.error());
    return convert::DecimalValue::fromDecimal(*decimal);
}

namespace {

bool fits(convert::Int128 value, VARTYPE type)
{
    switch (type) {
    case VT_UI1: return value >= 0 && value <= 255;
    case VT_I2: return value >= std::numeric_limits<SHORT>::min() && value <= std::numeric_limits<SHORT>::max();
    case VT_I4: return value >= std::numeric_limits<LONG>::min() && value <= std::numeric_limits<LONG>::max();
    case VT_I8: return value >= std::numeric_limits<LONGLONG>::min() && value <= std::numeric_limits<LONGLONG>::max();
    default: return false;
    }
}

VARIANT integerVariant(convert::Int128 value, VARTYPE type)
{
    VARIANT result{};
    result.vt = type;
    switch (type) {
    case VT_UI1: result.bVal = static_cast<BYTE>(value); break;
    case VT_I2: result.iVal = static_cast<SHORT>(value); break;
    case VT_I4: result.lVal = static_cast<LONG>(value); break;
    default: result.llVal = static_cast<LONGLONG>(value); break;
    }
    return result;
}

VARTYPE widerThan(VARTYPE type)
{
    switch (type) {
    case VT_UI1: return VT_I2;
    case VT_I2: return VT_I4;
    default: return VT_R8;
    }
}

} // namespace

VARIANT promotedInteger(convert::Int128 value, VARTYPE type)
{
    for (; type != VT_R8; type = widerThan(type))
        if (fits(value, type))
            return integerVariant(value, type);
    VARIANT result{};
    result.vt = VT_R8;
    result.dblVal = static_cast<double>(value);
    return result;
}

std::expected<VARIANT, HRESULT> exactInteger(convert::Int128 value, VARTYPE type)
{
    if (!fits(value, type))
        return std::unexpected(DISP_E_OVERFLOW);
    return integerVariant(value, type);
}

std::expected<VARIANT, HRESULT> realResult(double value, VARTYPE type)
{
    VARIANT result{};
    if (type == VT_R4 && std::fabs(value) <= std::numeric_limits<float>::max()) {
        result.vt = VT_R4;
        result.fltVal = static_cast<float>(value);
        return result;
    }
    if (std::isinf(value))
        return std::unexpected(DISP_E_OVERFLOW);
    result.vt = type == VT_DATE ? VT_DATE : VT_R8;
    result.dblVal = value;
    return result;
}

} // namespace qor::platform::posix::ole::arith
