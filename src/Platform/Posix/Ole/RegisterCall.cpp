#include "Platform/Posix/Ole/RegisterCall.h"

#include <cstring>

namespace qor::platform::posix::ole {

std::uint64_t registerValue(VARTYPE vt, VARIANTARG const& argument) {
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

// The function's real type is known only to the caller of DispCallFunc or
// to the type library; the register convention makes the call valid.
#if defined(__clang__)
__attribute__((no_sanitize("function")))
#endif
std::uint64_t
callWithRegisters(void (*function)(), RegisterArguments const& arguments) {
    using Registers =
        std::uint64_t (*)(std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t);
    auto const target = reinterpret_cast<Registers>(function);
    return target(arguments[0], arguments[1], arguments[2], arguments[3], arguments[4], arguments[5]);
}

} // namespace qor::platform::posix::ole
