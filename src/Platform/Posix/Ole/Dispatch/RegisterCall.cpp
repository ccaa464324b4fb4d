#include "Platform/Posix/Ole/Dispatch/RegisterCall.h"

namespace qor::platform::posix::ole {

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
