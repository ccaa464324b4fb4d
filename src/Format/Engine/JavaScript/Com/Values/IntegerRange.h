#pragma once

// Script numbers given to integer parameters. A number goes to COM as the
// generic conversion makes it (VT_I4, VT_UI4 or VT_R8), and COM's coercion
// then makes it the parameter's type. Between integers of one width that
// coercion keeps the bits, as Windows' does: 3000000000 would reach a long
// as -1294967296, and -1 an unsigned long as 4294967295. So a number is
// first held against the range of its parameter's type.

#include "Platform/Com.h"

#include <cstdint>
#include <optional>

namespace qor::format::engine::javascript::ComHelper {

// The values an integer type holds.
struct IntegerRange {
    std::int64_t lowest;
    std::uint64_t highest;
};

// The range of an integer VARTYPE; none for the other types.
std::optional<IntegerRange> integerRangeOf(VARTYPE vt);

// True when `number`, rounded as COM's coercion rounds it (half to even),
// lies in `range`. NaN and the infinities lie in none.
bool fitsIn(double number, IntegerRange range);

// True for the VARTYPEs that integerRangeOf knows. Inline: every argument of
// a call that is not of its parameter's type asks.
inline bool isIntegerType(VARTYPE vt) {
    constexpr std::uint32_t integers = (1u << VT_I1) | (1u << VT_UI1) | (1u << VT_I2) | (1u << VT_UI2) |
                                       (1u << VT_I4) | (1u << VT_UI4) | (1u << VT_INT) | (1u << VT_UINT) |
                                       (1u << VT_I8) | (1u << VT_UI8);
    return vt < 32 && ((integers >> vt) & 1u) != 0;
}

} // namespace qor::format::engine::javascript::ComHelper
