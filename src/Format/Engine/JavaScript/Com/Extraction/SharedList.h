#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <memory_resource>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {

// An immutable list that copies share: every engine takes its own copy of
// the process's class bindings, and copying thousands of member records for
// each would cost more than the engine itself. Elements never move once the
// list is made, so callbacks may keep pointers to them.
//
// The count of its holders, its size and its elements are one allocation: a
// large library has tens of thousands of such lists, one for each member's
// parameters. Copies may be made and dropped on several threads at once.
//
// A list may be made in table memory (memory freed all at once, such as the
// process's class bindings keep): its elements are destroyed with its last
// holder, its block with that memory.
template <class T>
class SharedList {
public:
    SharedList() = default;
    SharedList(std::vector<T> items) : SharedList(std::make_move_iterator(items.begin()), items.size()) {}
    // The `count` elements from `first`, constructed from what it gives; in
    // `tables` when given, else on the heap.
    template <class Iterator>
    SharedList(Iterator first, std::size_t count, std::pmr::memory_resource* tables = nullptr) {
        if (count == 0)
            return;
        if (count > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("SharedList");
        std::size_t const bytes = itemsOffset + count * sizeof(T);
        void* storage = tables != nullptr ? tables->allocate(bytes, alignment) : ::operator new(bytes);
        try {
            std::uninitialized_copy_n(first, count, reinterpret_cast<T*>(static_cast<std::byte*>(storage) + itemsOffset));
        } catch (...) {
            if (tables != nullptr)
                tables->deallocate(storage, bytes, alignment);
            else
                ::operator delete(storage);
            throw;
        }
        header_ = ::new (storage) Header{{1}, static_cast<std::uint32_t>(count), tables != nullptr};
    }
    SharedList(SharedList const& other) noexcept : header_(other.header_) {
        if (header_ != nullptr)
            header_->holders.fetch_add(1, std::memory_order_relaxed);
    }
    SharedList(SharedList&& other) noexcept : header_(std::exchange(other.header_, nullptr)) {}
    SharedList& operator=(SharedList other) noexcept {
        std::swap(header_, other.header_);
        return *this;
    }
    ~SharedList() { release(); }

    std::size_t size() const { return header_ != nullptr ? header_->size : 0; }
    bool empty() const { return header_ == nullptr; }
    T const& operator[](std::size_t index) const { return items()[index]; }
    T const& front() const { return items()[0]; }
    T const* begin() const { return items(); }
    T const* end() const { return items() + size(); }

private:
    struct Header {
        std::atomic<std::size_t> holders;
        std::uint32_t size;
        bool inTables;
    };
    static constexpr std::size_t alignment = alignof(Header) > alignof(T) ? alignof(Header) : alignof(T);
    static_assert(alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    static constexpr std::size_t itemsOffset = (sizeof(Header) + alignof(T) - 1) / alignof(T) * alignof(T);

    T* items() const {
        return header_ == nullptr
                   ? nullptr
                   : std::launder(reinterpret_cast<T*>(reinterpret_cast<std::byte*>(header_) + itemsOffset));
    }
    void release() noexcept {
        if (header_ == nullptr || header_->holders.fetch_sub(1, std::memory_order_acq_rel) != 1)
            return;
        std::destroy_n(items(), header_->size);
        bool const inTables = header_->inTables;
        header_->~Header();
        if (!inTables)
            ::operator delete(static_cast<void*>(header_));
    }

    Header* header_ = nullptr;
};

} // namespace qor::format::engine::javascript
