#pragma once

// Memory for records that are made once and freed together, as a
// std::pmr::memory_resource: a pointer bump. Off Windows it is the runtime's,
// which backs a large table with huge pages; Windows gives a process no such
// pages without a privilege, so there it is the standard monotonic buffer.

#ifdef _WIN32
#include <algorithm>
#include <cstddef>
#include <memory_resource>

namespace qor::platform {

class TableMemory final : public std::pmr::monotonic_buffer_resource {
public:
    // `expected` is about what the tables will take; they may take more.
    explicit TableMemory(std::size_t expected)
        : std::pmr::monotonic_buffer_resource(std::max<std::size_t>(expected, 1)) {}
    // The heap's blocks have nothing to give back early.
    void releaseUnused() {}
};

} // namespace qor::platform
#else
#include "Platform/Posix/Ole/TypeLib/TableMemory.h"

namespace qor::platform {
using posix::ole::TableMemory;
} // namespace qor::platform
#endif
