#pragma once

// An operand's value as the number an operation computes with: a double,
// a 64-bit integer, a CY or a DECIMAL. The common types are read as they
// are; every other goes through the conversion core, as VariantChangeType
// would convert it.

#include <expected>
#include <type_traits>
#include <utility>

#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole::arith {

std::expected<double, HRESULT> realOf(VARIANT const& value);
// Rounded half to even, as VT_I8 takes a fraction.
std::expected<LONGLONG, HRESULT> integerOf(VARIANT const& value);
std::expected<CY, HRESULT> currencyOf(VARIANT const& value);
std::expected<convert::DecimalValue, HRESULT> decimalOf(VARIANT const& value);

// Both operands read the same way, the left one's failure first.
template <class Read>
auto bothOf(Read read, VARIANT const& left, VARIANT const& right)
    -> std::expected<std::pair<typename std::invoke_result_t<Read, VARIANT const&>::value_type,
                               typename std::invoke_result_t<Read, VARIANT const&>::value_type>,
                     HRESULT>
{
    auto a = read(left);
    if (!a)
        return std::unexpected(a.error());
    auto b = read(right);
    if (!b)
        return std::unexpected(b.error());
    return std::pair(std::move(*a), std::move(*b));
}

// An integer result in `type` (VT_UI1, VT_I2, VT_I4 or VT_I8), or in the
// next wider of VT_UI1, VT_I2, VT_I4 and VT_R8 that holds it, as Windows
// promotes a result that overflows.
VARIANT promotedInteger(convert::Int128 value, VARTYPE type);
// An integer result that must be of `type`: DISP_E_OVERFLOW when it is not.
std::expected<VARIANT, HRESULT> exactInteger(convert::Int128 value, VARTYPE type);
// A real result: VT_R4 promoted to VT_R8 when it overflows a float; an
// infinite VT_R8 or VT_DATE is DISP_E_OVERFLOW.
std::expected<VARIANT, HRESULT> realResult(double value, VARTYPE type);

} // namespace qor::platform::posix::ole::arith
