#include "Platform/Posix/Ole/TypeLib/TableMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace qor::platform::posix::ole {

namespace {

constexpr std::size_t hugePage = std::size_t(2) << 20;
constexpr std::size_t smallPage = 4096;
constexpr std::size_t laterBlocksAtLeast = std::size_t(64) << 10;
constexpr std::size_t firstBlockAtMost = std::size_t(64) << 20;

std::uintptr_t roundUp(std::uintptr_t value, std::size_t to) { return (value + to - 1) / to * to; }

// A block of a huge page or more is mapped; a smaller one is the heap's.
bool isMapped(std::size_t blockSize) { return blockSize >= hugePage; }

// A block of at least a huge page is whole huge pages, in a mapping aligned
// to one. The kernel may decline the advice: the block works all the same.
std::byte* mapBlock(std::size_t size) {
    void* mapped = ::mmap(nullptr, size + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto const start = reinterpret_cast<std::uintptr_t>(mapped);
    auto const aligned = roundUp(start, hugePage);
    if (aligned > start)
        ::munmap(mapped, aligned - start);
    if (std::size_t const tail = start + hugePage - aligned; tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<std::byte*>(aligned);
}

} // namespace

TableMemory::TableMemory(std::size_t expected)
    : expected_(std::clamp(expected, smallPage, firstBlockAtMost)) {}

TableMemory::~TableMemory() {
    for (Block const& block : blocks_) {
        if (isMapped(block.size))
            ::munmap(block.start, block.size);
        else
            ::operator delete(block.start);
    }
}

void TableMemory::addBlock(std::size_t atLeast) {
    // Tables that outgrow the guess are a small part larger.
    std::size_t const wanted = blocks_.empty() ? expected_ : std::max(expected_ / 4, laterBlocksAtLeast);
    std::size_t size = roundUp(std::max(atLeast, wanted), smallPage);
    if (isMapped(size))
        size = roundUp(size, hugePage);
    blocks_.reserve(blocks_.size() + 1);
    auto* start = isMapped(size) ? mapBlock(size) : static_cast<std::byte*>(::operator new(size));
    blocks_.push_back({start, size});
    next_ = start;
}

std::size_t TableMemory::left() const {
    return blocks_.empty() ? 0 : static_cast<std::size_t>(blocks_.back().start + blocks_.back().size - next_);
}

void TableMemory::releaseUnused() {
    if (blocks_.empty() || !isMapped(blocks_.back().size))
        return;
    Block const& block = blocks_.back();
    auto const from = roundUp(reinterpret_cast<std::uintptr_t>(next_), smallPage);
    auto const end = reinterpret_cast<std::uintptr_t>(block.start) + block.size;
    if (from < end)
        ::madvise(reinterpret_cast<void*>(from), end - from, MADV_DONTNEED);
}

void* TableMemory::do_allocate(std::size_t bytes, std::size_t alignment) {
    auto padding = [&] {
        auto const at = reinterpret_cast<std::uintptr_t>(next_);
        return roundUp(at, alignment) - at;
    };
    if (left() < bytes || left() - bytes < padding()) {
        if (bytes > firstBlockAtMost * 1024)
            throw std::bad_alloc();
        addBlock(bytes + alignment);
    }
    std::size_t const pad = padding();
    std::byte* const p = next_ + pad;
    next_ = p + bytes;
    return p;
}

void TableMemory::do_deallocate(void*, std::size_t, std::size_t) {}

bool TableMemory::do_is_equal(std::pmr::memory_resource const& other) const noexcept { return this == &other; }

} // namespace qor::platform::posix::ole
