#include "Format/Engine/JavaScript/Limits/AsymmetricFence.h"

#include "Platform/ProcessFence.h"

namespace qor::format::engine::javascript {

bool AsymmetricFence::heavyIsSystemWide() {
    static bool const systemWide = platform::registerProcessFence();
    return systemWide;
}

void AsymmetricFence::heavy() {
    if (heavyIsSystemWide())
        platform::processFence();
    else
        std::atomic_thread_fence(std::memory_order_seq_cst);
}

} // namespace qor::format::engine::javascript
