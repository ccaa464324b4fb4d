#pragma once

// The BSTR cache: blocks that SysFreeString lets go are kept, a few of each
// size per thread, for the next strings of that size, as Windows keeps them.
// Besides saving the allocator's work, it is what ported code relies on when
// it frees a string twice: the second free of a kept block changes nothing.
//
// Memory tools see no error in a kept block, so the cache can be switched
// off as on Windows: by the environment variable OANOCACHE, read once, or by
// SetOaNoCache.

#include <cstddef>

namespace qor::platform::posix::ole::bstrcache {

// Bytes a new block for `bytes` is given: the size of the cache's class for
// it, so that a block freed later fits whatever else asks for its class.
std::size_t blockSizeFor(std::size_t bytes);

// A kept block of at least `bytes`, or null: the caller allocates then.
void* take(std::size_t bytes);

// Keeps a freed block, or frees it when the cache is off or full. A block
// already kept is left as it is.
void release(void* block);

void disable();

} // namespace qor::platform::posix::ole::bstrcache
