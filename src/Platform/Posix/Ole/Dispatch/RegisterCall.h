#pragma once

// Calls whose arguments and result all travel in general-purpose registers,
// made without libffi. libffi classifies every argument again on each call,
// which costs more than the rest of ITypeInfo::Invoke; most COM methods take
// only integers, pointers and interfaces and return an HRESULT, and on
// x86-64 such a call is six integer registers in and one out.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole {

// How many arguments, the object included, a register call can take: none
// where this is not known to hold, so that libffi makes every call.
#if defined(__x86_64__) && !defined(_WIN32)
inline constexpr std::size_t registerArgumentCount = 6;
#else
inline constexpr std::size_t registerArgumentCount = 0;
#endif

using RegisterArguments = std::array<std::uint64_t, 6>;

// An argument of an integer or pointer type as its register holds it: narrower integers sign- or
// zero-extended, as the callee may assume. Inline: it is a few instructions
// of every call that ITypeInfo::Invoke makes.
inline std::uint64_t registerValue(VARTYPE vt, VARIANTARG const& argument) {
    auto const extended = [](std::int64_t value) { return static_cast<std::uint64_t>(value); };
    switch (vt) {
    case VT_I1:
        return extended(argument.cVal);
    case VT_UI1:
        return argument.bVal;
    case VT_I2:
    case VT_BOOL:
        return extended(argument.iVal);
    case VT_UI2:
        return argument.uiVal;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT:
        return extended(argument.lVal);
    case VT_UI4:
    case VT_UINT:
        return argument.ulVal;
    default: { // 64-bit integers, currency and pointers share the union's first 8 bytes
        std::uint64_t bits = 0;
        std::memcpy(&bits, &argument.llVal, sizeof bits);
        return bits;
    }
    }
}

// Calls `function` with the registers set; registers its signature does not
// name are ignored by the callee. The integer result register comes back.
std::uint64_t callWithRegisters(void (*function)(), RegisterArguments const& arguments);

} // namespace qor::platform::posix::ole
