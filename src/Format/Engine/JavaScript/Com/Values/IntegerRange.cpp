#include "Format/Engine/JavaScript/Com/Values/IntegerRange.h"

#include <cmath>
#include <limits>

namespace qor::format::engine::javascript::ComHelper {
namespace {

constexpr IntegerRange signedRange(int bits) {
    return {std::numeric_limits<std::int64_t>::min() >> (64 - bits), (std::uint64_t{1} << (bits - 1)) - 1};
}

constexpr IntegerRange unsignedRange(int bits) {
    return {0, bits == 64 ? std::numeric_limits<std::uint64_t>::max() : (std::uint64_t{1} << bits) - 1};
}

} // namespace

std::optional<IntegerRange> integerRangeOf(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
        return signedRange(8);
    case VT_UI1:
        return unsignedRange(8);
    case VT_I2:
        return signedRange(16);
    case VT_UI2:
        return unsignedRange(16);
    case VT_I4:
    case VT_INT:
        return signedRange(32);
    case VT_UI4:
    case VT_UINT:
        return unsignedRange(32);
    case VT_I8:
        return signedRange(64);
    case VT_UI8:
        return unsignedRange(64);
    default:
        return std::nullopt;
    }
}

bool fitsIn(double number, IntegerRange range) {
    // The default rounding mode rounds half to even. The bounds compare
    // exactly: the lowest is 0 or a power of two, and one past the highest
    // is one.
    double const rounded = std::nearbyint(number);
    double const pastHighest = static_cast<double>(range.highest / 2 + 1) * 2.0;
    return rounded >= static_cast<double>(range.lowest) && rounded < pastHighest;
}

} // namespace qor::format::engine::javascript::ComHelper
