/* wine/debug.h formats values for messages (wine_dbgstr_w, wine_dbg_sprintf)
 * in place and keeps each text through __wine_dbg_strdup, in a ring of
 * buffers that a message uses before they are reused. Its short names
 * (debugstr_guid), which it gives Wine's own sources only, are functions
 * here (TestRedirections.h declares them). */

#include <string.h>

#include <windef.h>
#include <winbase.h>
#include <wine/debug.h>

#include "Exported.h"

enum { ringSize = 1 << 16 };

EXPORTED const char* __cdecl __wine_dbg_strdup(const char* text) {
    static char ring[ringSize];
    static size_t next;
    size_t size = strlen(text) + 1;
    if (size > ringSize)
        size = ringSize;
    if (next + size > ringSize)
        next = 0;
    char* copy = ring + next;
    memcpy(copy, text, size - 1);
    copy[size - 1] = 0;
    next += size;
    return copy;
}

EXPORTED const char* debugstr_guid(const GUID* id) {
    return wine_dbgstr_guid(id);
}
