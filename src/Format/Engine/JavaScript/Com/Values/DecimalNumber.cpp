#include "Format/Engine/JavaScript/Com/Values/DecimalNumber.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>

namespace qor::format::engine::javascript {
namespace {

constexpr int maximumDecimalScale = 28;

// The decimal digits of a 96-bit magnitude given as three 32-bit words, most
// significant first, found by long division in base 10^9.
std::string digitsOf(std::array<std::uint32_t, 3> words) {
    constexpr std::uint32_t base = 1'000'000'000;
    std::string reversed;
    while (std::ranges::any_of(words, [](std::uint32_t word) { return word != 0; })) {
        std::uint64_t remainder = 0;
        for (std::uint32_t& word : words) {
            std::uint64_t const current = remainder << 32 | word;
            word = static_cast<std::uint32_t>(current / base);
            remainder = current % base;
        }
        for (int i = 0; i < 9; ++i, remainder /= 10)
            reversed.push_back(static_cast<char>('0' + remainder % 10));
    }
    while (reversed.size() > 1 && reversed.back() == '0')
        reversed.pop_back();
    if (reversed.empty())
        reversed = "0";
    return {reversed.rbegin(), reversed.rend()};
}

// std::from_chars rounds the text to the nearest double, as no sum of
// inexact doubles would.
double nearest(bool negative, std::string const& digits, int scale) {
    std::string const text = (negative ? "-" : "") + digits + "e-" + std::to_string(scale);
    double result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

} // namespace

double numberOfCurrency(CY const& value) {
    bool const negative = value.int64 < 0;
    // The magnitude of the most negative value too, in unsigned arithmetic.
    std::uint64_t const magnitude =
        negative ? ~static_cast<std::uint64_t>(value.int64) + 1 : static_cast<std::uint64_t>(value.int64);
    return nearest(negative,
                   digitsOf({0, static_cast<std::uint32_t>(magnitude >> 32), static_cast<std::uint32_t>(magnitude)}),
                   4);
}

std::optional<double> numberOfDecimal(DECIMAL const& value) {
    if (value.scale > maximumDecimalScale)
        return std::nullopt;
    return nearest((value.sign & DECIMAL_NEG) != 0, digitsOf({value.Hi32, value.Mid32, value.Lo32}), value.scale);
}

} // namespace qor::format::engine::javascript
