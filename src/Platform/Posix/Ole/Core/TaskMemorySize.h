#pragma once

#include <cstddef>

namespace qor::platform::posix::ole {

// Bytes a block of the task allocator (CoTaskMemAlloc) holds: at least what
// was asked for, often a little more.
std::size_t taskMemorySize(void* block);

} // namespace qor::platform::posix::ole
