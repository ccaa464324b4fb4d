// The parameters of a function as numbers that both our runtime and
// mingw-w64's headers give for the same declaration: each type by its size,
// whether it is signed, floating or a record, and pointers by what they point
// to, so that an int where Windows has a pointer, or a missing parameter,
// shows. Constness and the calling convention (one on x64) are not part of
// them. C++17: mingw-w64's compiler reads it too (MingwIids.cpp).

#pragma once

#include <array>
#include <cstddef>
#include <type_traits>

namespace qor_abi {

template <class T>
constexpr long long typeCode() {
    using Bare = std::remove_cv_t<T>;
    if constexpr (std::is_void_v<Bare>)
        return 0x7FF;
    else if constexpr (std::is_pointer_v<Bare>)
        return 0x800 + 0x1000 * typeCode<std::remove_pointer_t<Bare>>();
    else
        return static_cast<long long>(sizeof(Bare)) | (std::is_signed_v<Bare> ? 0x100 : 0) |
               (std::is_floating_point_v<Bare> ? 0x200 : 0) |
               (std::is_class_v<Bare> || std::is_union_v<Bare> ? 0x400 : 0);
}

// The result's code, then each parameter's; 0 past the last.
inline constexpr std::size_t kSignatureLength = 9;

template <class R, class... A>
constexpr std::array<long long, kSignatureLength> signatureOf(R (*)(A...)) {
    static_assert(sizeof...(A) < kSignatureLength);
    return {typeCode<R>(), typeCode<A>()...};
}

} // namespace qor_abi
