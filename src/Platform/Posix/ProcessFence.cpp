#include "Platform/ProcessFence.h"

#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qor::platform {
namespace {

long membarrier(int command) { return syscall(__NR_membarrier, command, 0, 0); }

} // namespace

// The expedited barrier interrupts only the CPUs running this process's
// threads; it must be registered before its first use.
bool registerProcessFence() {
    long const supported = membarrier(MEMBARRIER_CMD_QUERY);
    return supported > 0 && (supported & MEMBARRIER_CMD_PRIVATE_EXPEDITED) != 0 &&
           membarrier(MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED) == 0;
}

void processFence() { membarrier(MEMBARRIER_CMD_PRIVATE_EXPEDITED); }

} // namespace qor::platform
