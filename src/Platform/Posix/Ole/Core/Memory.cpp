#include "Platform/Posix/Ole/Core/Memory.h"

#include <cstdlib>

#include <malloc.h>

#include "Platform/Posix/Ole/Core/TaskMemorySize.h"

LPVOID CoTaskMemAlloc(SIZE_T cb)
{
    return std::malloc(cb == 0 ? 1 : cb);
}

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb)
{
    return std::realloc(pv, cb == 0 ? 1 : cb);
}

void CoTaskMemFree(LPVOID pv)
{
    std::free(pv);
}

std::size_t qor::platform::posix::ole::taskMemorySize(void* block)
{
    return block == nullptr ? 0 : malloc_usable_size(block);
}
