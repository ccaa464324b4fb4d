#pragma once

// Exact arithmetic on DecimalValues, rounded half to even to what a
// DECIMAL holds (29 significant digits, 28 places): the VarDec* functions
// and VT_DECIMAL results of VarAdd and its kin.

#include <expected>

#include "Platform/Posix/Ole/Automation/DecimalValue.h"

namespace qor::platform::posix::ole::arith {

using convert::DecimalValue;

std::expected<DecimalValue, HRESULT> add(DecimalValue const& left, DecimalValue const& right);
std::expected<DecimalValue, HRESULT> multiply(DecimalValue const& left, DecimalValue const& right);
// DISP_E_DIVBYZERO for a zero divisor.
std::expected<DecimalValue, HRESULT> divide(DecimalValue const& left, DecimalValue const& right);
DecimalValue negated(DecimalValue value);
// Toward zero (fix) or toward minus infinity (floor), scale 0.
DecimalValue truncated(DecimalValue const& value, bool floor);
// Half to even to `places` places; a value with fewer places is kept.
DecimalValue rounded(DecimalValue const& value, int places);
// VARCMP_LT, VARCMP_EQ or VARCMP_GT; zero is zero whatever its sign.
int compare(DecimalValue const& left, DecimalValue const& right);

} // namespace qor::platform::posix::ole::arith
