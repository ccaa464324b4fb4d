#include "Format/Engine/JavaScript/Limits/BoundedArrayBufferAllocator.h"

namespace qor::format::engine::javascript {

bool BoundedArrayBufferAllocator::reserve(std::size_t length) {
    std::size_t const limit = bound;
    std::size_t held = inUse;
    do {
        if (length > limit || held > limit - length)
            return false;
    } while (!inUse.compare_exchange_weak(held, held + length));
    return true;
}

template <class Make>
void* BoundedArrayBufferAllocator::counted(std::size_t length, Make make) {
    if (!reserve(length))
        return nullptr;
    void* data = make();
    if (data == nullptr)
        release(length);
    return data;
}

void* BoundedArrayBufferAllocator::Allocate(std::size_t length) {
    return counted(length, [&] { return allocator->Allocate(length); });
}

void* BoundedArrayBufferAllocator::AllocateUninitialized(std::size_t length) {
    return counted(length, [&] { return allocator->AllocateUninitialized(length); });
}

void BoundedArrayBufferAllocator::Free(void* data, std::size_t length) {
    allocator->Free(data, length);
    release(length);
}

void* BoundedArrayBufferAllocator::Reallocate(void* data, std::size_t oldLength, std::size_t newLength) {
    if (newLength > oldLength && !reserve(newLength - oldLength))
        return nullptr;
    void* moved = allocator->Reallocate(data, oldLength, newLength);
    if (moved == nullptr && newLength > oldLength)
        release(newLength - oldLength);
    else if (moved != nullptr && newLength < oldLength)
        release(oldLength - newLength);
    return moved;
}

} // namespace qor::format::engine::javascript
