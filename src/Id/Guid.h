#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"

#include <array>
#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// A 128-bit COM identifier (CLSID, IID, LIBID) with the field layout of the
// Windows GUID, so the two convert by value.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    constexpr Guid() = default;
    constexpr Guid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::array<std::uint8_t, 8> d4)
        : data1(d1), data2(d2), data3(d3), data4(d4) {}

    // From and to any GUID-shaped struct (Data1..Data4), without this library
    // depending on the COM headers.
    template <class G>
        requires requires(G g) { g.Data1; g.Data2; g.Data3; g.Data4[7]; }
    constexpr Guid(G const& g) : data1(g.Data1), data2(g.Data2), data3(g.Data3) {
        for (std::size_t i = 0; i < 8; ++i)
            data4[i] = static_cast<std::uint8_t>(g.Data4[i]);
    }
    template <class G>
        requires requires(G g) { g.Data1; g.Data2; g.Data3; g.Data4[7]; }
    constexpr G to() const {
        G g{};
        g.Data1 = data1;
        g.Data2 = data2;
        g.Data3 = data3;
        for (std::size_t i = 0; i < 8; ++i)
            g.Data4[i] = data4[i];
        return g;
    }

    // Accepts the registry form "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", with or
    // without braces, in either case.
    QOR_JAVASCRIPT_COM_API static std::optional<Guid> parse(std::string_view text);
    // The registry form, upper case, with braces.
    QOR_JAVASCRIPT_COM_API std::string toString() const;

    // Asked on every call of a member: a few instructions, not a comparison
    // field by field.
    bool isNull() const { return (data1 | data2 | data3) == 0 && std::bit_cast<std::uint64_t>(data4) == 0; }

    friend constexpr auto operator<=>(Guid const&, Guid const&) = default;
    friend constexpr bool operator==(Guid const&, Guid const&) = default;

    struct hash {
        QOR_JAVASCRIPT_COM_API std::size_t operator()(Guid const& g) const noexcept;
    };
};

} // namespace qor
