#pragma once

#include "Platform/Posix/Ole/Core/Types.h"

// The task allocator: memory that crosses a COM boundary is freed by the
// receiver with CoTaskMemFree.
WINOLEAPI_(LPVOID) CoTaskMemAlloc(SIZE_T cb);
WINOLEAPI_(LPVOID) CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
WINOLEAPI_(void) CoTaskMemFree(LPVOID pv);
