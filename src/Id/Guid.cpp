#include "Id/Guid.h"

#include <fmt/format.h>

#include <charconv>

namespace qor {
namespace {

template <class T>
bool parseHex(std::string_view text, T& value) {
    if (text.size() != sizeof(T) * 2)
        return false;
    auto const* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
    return ec == std::errc{} && ptr == end;
}

} // namespace

std::optional<Guid> Guid::parse(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    Guid g;
    std::uint16_t clockSeq = 0;
    if (!parseHex(text.substr(0, 8), g.data1) || !parseHex(text.substr(9, 4), g.data2) ||
        !parseHex(text.substr(14, 4), g.data3) || !parseHex(text.substr(19, 4), clockSeq))
        return std::nullopt;
    g.data4[0] = static_cast<std::uint8_t>(clockSeq >> 8);
    g.data4[1] = static_cast<std::uint8_t>(clockSeq);
    for (std::size_t i = 0; i < 6; ++i)
        if (!parseHex(text.substr(24 + 2 * i, 2), g.data4[2 + i]))
            return std::nullopt;
    return g;
}

std::string Guid::toString() const {
    return fmt::format("{{{:08X}-{:04X}-{:04X}-{:02X}{:02X}-{:02X}{:02X}{:02X}{:02X}{:02X}{:02X}}}", data1, data2,
                       data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
}

std::size_t Guid::hash::operator()(Guid const& g) const noexcept {
    // FNV-1a over the 16 bytes: cheap, and GUIDs are already well spread.
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            h ^= (v >> (8 * i)) & 0xFF;
            h *= 1099511628211ull;
        }
    };
    mix(g.data1, 4);
    mix(g.data2, 2);
    mix(g.data3, 2);
    for (auto b : g.data4)
        mix(b, 1);
    return static_cast<std::size_t>(h);
}

} // namespace qor
