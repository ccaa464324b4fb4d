#include "Platform/Posix/Ole/Automation/BstrCache.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <utility>

#include "Platform/Posix/Ole/Core/Memory.h"
#include "Platform/Posix/Ole/Core/TaskMemorySize.h"

namespace qor::platform::posix::ole::bstrcache {
namespace {

// Size classes of 32 bytes to 4 KB, each twice the one before; larger
// strings are not kept.
constexpr std::size_t kSmallest = 32;
constexpr std::size_t kClasses = 8;
constexpr std::size_t kPerClass = 6;

// The smallest class a request fits in; kClasses for none.
std::size_t classFor(std::size_t bytes)
{
    std::size_t index = 0;
    for (std::size_t size = kSmallest; index < kClasses && bytes > size; size *= 2)
        ++index;
    return index;
}

std::size_t sizeOfClass(std::size_t index)
{
    return kSmallest << index;
}

// The largest class a block holds, by what the allocator gave it rather
// than what its string says, so that any block fits the class it is kept
// in; kClasses for none.
std::size_t classOf(void* block)
{
    std::size_t const bytes = taskMemorySize(block);
    if (bytes < kSmallest)
        return kClasses;
    std::size_t index = 0;
    while (index + 1 < kClasses && sizeOfClass(index + 1) <= bytes)
        ++index;
    return index;
}

// Plain data, never destroyed, so that a string freed while the thread or
// the process ends finds it; Drain empties it first and closes it.
struct Kept {
    std::array<std::array<void*, kPerClass>, kClasses> blocks;
    bool closed;
};
thread_local constinit Kept kept{};

void empty()
{
    for (auto& blocks : kept.blocks)
        for (void*& block : blocks)
            CoTaskMemFree(std::exchange(block, nullptr));
}

struct Drain {
    bool armed = false;
    ~Drain()
    {
        kept.closed = true;
        empty();
    }
};
thread_local Drain drain;

std::atomic<bool> switchedOff{false};

bool enabled()
{
    static bool const allowed = std::getenv("OANOCACHE") == nullptr;
    if (!allowed || kept.closed)
        return false;
    if (switchedOff.load(std::memory_order_relaxed)) {
        // What this thread kept before goes now, so that nothing is kept
        // and freed again.
        empty();
        return false;
    }
    return true;
}

} // namespace

std::size_t blockSizeFor(std::size_t bytes)
{
    std::size_t const index = classFor(bytes);
    return index < kClasses ? sizeOfClass(index) : bytes;
}

void* take(std::size_t bytes)
{
    std::size_t const index = classFor(bytes);
    if (index == kClasses || !enabled())
        return nullptr;
    // Oldest first, as the slots were filled.
    for (void*& block : kept.blocks[index])
        if (block != nullptr)
            return std::exchange(block, nullptr);
    return nullptr;
}

void release(void* block)
{
    std::size_t const index = classOf(block);
    if (block == nullptr || index == kClasses || !enabled()) {
        CoTaskMemFree(block);
        return;
    }
    auto& blocks = kept.blocks[index];
    for (void* held : blocks)
        if (held == block)
            return;
    for (void*& slot : blocks) {
        if (slot == nullptr) {
            drain.armed = true;
            slot = block;
            return;
        }
    }
    CoTaskMemFree(block);
}

void disable()
{
    switchedOff.store(true, std::memory_order_relaxed);
}

} // namespace qor::platform::posix::ole::bstrcache
