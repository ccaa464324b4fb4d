/* The process heap of kernel32, over malloc. */

#include <stdlib.h>

#include <windef.h>
#include <winbase.h>

#include "Exported.h"

EXPORTED HANDLE WINAPI GetProcessHeap(void) {
    static int heap;
    return &heap;
}

EXPORTED LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    return (flags & HEAP_ZERO_MEMORY) ? calloc(1, size ? size : 1) : malloc(size ? size : 1);
}

EXPORTED BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    free(block);
    return TRUE;
}
