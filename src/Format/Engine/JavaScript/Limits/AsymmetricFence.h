#pragma once

#include <atomic>

namespace qor::format::engine::javascript {

// A fence split in two: a light half, which costs the thread that runs it
// often (every run's end) nothing but the compiler's ordering, and a heavy
// half, which a rare thread (a stop from elsewhere) pays for by making every
// thread of the process pass a full fence. A write before either half and a
// read after it then cannot both miss the other thread's write: the pair
// orders as two sequentially consistent fences do. Where the system offers no
// such call, both halves are full fences.
class AsymmetricFence {
public:
    // Whether the heavy half is the system's: asked once, on first use.
    static bool heavyIsSystemWide();

    // `systemWide`: what heavyIsSystemWide gave, read once by the caller so
    // that the light half needs no further check.
    static void light(bool systemWide) {
        if (systemWide) [[likely]]
            std::atomic_signal_fence(std::memory_order_seq_cst);
        else
            std::atomic_thread_fence(std::memory_order_seq_cst);
    }
    static void heavy();
};

} // namespace qor::format::engine::javascript
