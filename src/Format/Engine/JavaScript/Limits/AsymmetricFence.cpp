#include "Format/Engine/JavaScript/Limits/AsymmetricFence.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace qor::format::engine::javascript {
namespace {

#ifdef _WIN32
bool registerSystemFence() { return true; }

void systemFence() { FlushProcessWriteBuffers(); }
#else
long membarrier(int command) { return syscall(__NR_membarrier, command, 0, 0); }

// The expedited barrier interrupts only the CPUs running this process's
// threads; it must be registered before its first use.
bool registerSystemFence() {
    long const supported = membarrier(MEMBARRIER_CMD_QUERY);
    return supported > 0 && (supported & MEMBARRIER_CMD_PRIVATE_EXPEDITED) != 0 &&
           membarrier(MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED) == 0;
}

void systemFence() { membarrier(MEMBARRIER_CMD_PRIVATE_EXPEDITED); }
#endif

} // namespace

bool AsymmetricFence::heavyIsSystemWide() {
    static bool const systemWide = registerSystemFence();
    return systemWide;
}

void AsymmetricFence::heavy() {
    if (heavyIsSystemWide())
        systemFence();
    else
        std::atomic_thread_fence(std::memory_order_seq_cst);
}

} // namespace qor::format::engine::javascript
