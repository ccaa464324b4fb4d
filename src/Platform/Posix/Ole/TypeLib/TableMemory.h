#pragma once

#include "Platform/Posix/Ole/Core/Export.h"

#include <cstddef>
#include <memory_resource>
#include <vector>

namespace qor::platform::posix::ole {

// Memory for tables that are made once and freed together (the records and
// descriptions of a type library's members). Allocation is a pointer bump;
// nothing is given back before the whole is. A block of a huge page or more
// is whole huge pages, which the kernel is asked to back with huge pages: a
// large library's tables are megabytes written once, and on a busy or
// virtual machine the first touch of each 4 KiB page costs more than writing
// it.
class OLE_API TableMemory final : public std::pmr::memory_resource {
public:
    // `expected` is about what the tables will take; they may take more.
    explicit TableMemory(std::size_t expected);
    ~TableMemory() override;
    TableMemory(TableMemory const&) = delete;
    TableMemory& operator=(TableMemory const&) = delete;

    // Gives the pages past the last table back to the system, once the
    // tables are made: a huge page is made whole when first touched. Later
    // tables may still be made; their pages come back when touched.
    void releaseUnused();

private:
    struct Block {
        std::byte* start;
        std::size_t size;
    };

    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(std::pmr::memory_resource const& other) const noexcept override;
    void addBlock(std::size_t atLeast);
    // What is left of the current block.
    std::size_t left() const;

    std::size_t expected_;
    std::vector<Block> blocks_;
    std::byte* next_ = nullptr; // in the last block
};

} // namespace qor::platform::posix::ole
