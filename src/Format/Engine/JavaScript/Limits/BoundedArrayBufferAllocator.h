#pragma once

#include <v8.h>

#include <atomic>
#include <cstddef>
#include <limits>
#include <memory>

namespace qor::format::engine::javascript {

// The ArrayBuffer memory of an isolate, counted and bounded: past the bound
// an allocation fails, which the script that asked sees as a RangeError
// rather than the process running out of memory. Backing stores may be freed
// on V8's own threads, so the count is atomic.
class BoundedArrayBufferAllocator final : public v8::ArrayBuffer::Allocator {
public:
    static constexpr std::size_t unbounded = std::numeric_limits<std::size_t>::max();

    // Any time, from any thread; memory held already stays.
    void setBound(std::size_t bytes) { bound = bytes; }
    std::size_t used() const { return inUse; }

    void* Allocate(std::size_t length) override;
    void* AllocateUninitialized(std::size_t length) override;
    void Free(void* data, std::size_t length) override;
    void* Reallocate(void* data, std::size_t oldLength, std::size_t newLength) override;

private:
    bool reserve(std::size_t length);
    // `make` within the bound: the length is counted while it holds.
    template <class Make>
    void* counted(std::size_t length, Make make);
    void release(std::size_t length) { inUse -= length; }

    std::unique_ptr<v8::ArrayBuffer::Allocator> allocator{v8::ArrayBuffer::Allocator::NewDefaultAllocator()};
    std::atomic<std::size_t> bound{unbounded};
    std::atomic<std::size_t> inUse{0};
};

} // namespace qor::format::engine::javascript
