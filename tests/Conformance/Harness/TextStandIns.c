/* String functions of kernel32 and user32 the tests use, and 16-bit
 * stand-ins for the C library's wide-character functions, whose glibc
 * versions take 32-bit characters. The tests compare strings for equality
 * only, so lstrcmp compares code units where Windows compares
 * linguistically. */

#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <windef.h>
#include <winbase.h>
#include <winuser.h>

#include "Exported.h"

EXPORTED int conformance_wcscmp(const WCHAR* a, const WCHAR* b) {
    while (*a && *a == *b)
        ++a, ++b;
    return (*a > *b) - (*a < *b);
}

static int nullFirst(void const* a, void const* b) {
    return a ? 1 : b ? -1 : 0;
}

EXPORTED int WINAPI lstrcmpA(LPCSTR a, LPCSTR b) {
    if (!a || !b)
        return nullFirst(a, b);
    int order = strcmp(a, b);
    return (order > 0) - (order < 0);
}

EXPORTED int WINAPI lstrcmpW(LPCWSTR a, LPCWSTR b) {
    return (!a || !b) ? nullFirst(a, b) : conformance_wcscmp(a, b);
}

EXPORTED int WINAPI lstrlenW(LPCWSTR s) {
    int n = 0;
    while (s && s[n])
        ++n;
    return n;
}

EXPORTED LPWSTR WINAPI lstrcpyW(LPWSTR to, LPCWSTR from) {
    memcpy(to, from, (lstrlenW(from) + 1) * sizeof(WCHAR));
    return to;
}

/* A pointer can't be probed here as Windows does, under its exception
 * handling: only a null one is bad. */
EXPORTED BOOL WINAPI IsBadStringPtrW(LPCWSTR str, UINT_PTR max) {
    return !str && max;
}

enum { wsprintfLimit = 1024 }; /* Windows' limit on wsprintf's output */

typedef struct {
    WCHAR* out;
    int used;
    int limit; /* in characters, the terminator's place among them */
} Output;

static void put(Output* o, WCHAR c) {
    if (o->used < o->limit - 1)
        o->out[o->used++] = c;
}

static void putNarrow(Output* o, char const* text) {
    while (*text)
        put(o, (unsigned char)*text++);
}

/* One conversion of `format` (after its '%'), given to snprintf for a
 * number; the width and flags apply to strings as to numbers. Returns the
 * rest of the format. */
static LPCWSTR convert(Output* o, LPCWSTR format, va_list* args) {
    char directive[32] = "%";
    size_t n = 1;
    int isLong = 0;
    while (*format && strchr("-0#123456789.", (int)*format) && n < sizeof directive - 4)
        directive[n++] = (char)*format++;
    if (*format == 'l' || *format == 'h')
        isLong = *format++ == 'l';
    WCHAR type = *format ? *format++ : 0;
    char text[128] = "";
    switch (type) {
    case 'c':
        put(o, (WCHAR)va_arg(*args, int));
        return format;
    case 's': {
        LPCWSTR s = va_arg(*args, LPCWSTR);
        for (s = s ? s : L"(null)"; *s; ++s)
            put(o, *s);
        return format;
    }
    case 'S':
        directive[n++] = 's';
        snprintf(text, sizeof text, directive, va_arg(*args, char const*));
        break;
    case 'd': case 'i': case 'u': case 'x': case 'X':
        if (isLong)
            directive[n++] = 'l';
        directive[n++] = (char)type;
        if (isLong)
            snprintf(text, sizeof text, directive, va_arg(*args, long));
        else
            snprintf(text, sizeof text, directive, va_arg(*args, int));
        break;
    case 'p':
        snprintf(text, sizeof text, "%016zX", (size_t)va_arg(*args, void*));
        break;
    default:
        put(o, type);
        return format;
    }
    putNarrow(o, text);
    return format;
}

/* %s and %ls take a wide string, as in Windows' wide formatting. */
static int format(WCHAR* buffer, int limit, LPCWSTR format, va_list* args) {
    Output o = {buffer, 0, limit};
    if (limit <= 0)
        return 0;
    while (*format) {
        if (*format != '%')
            put(&o, *format++);
        else
            format = convert(&o, format + 1, args);
    }
    buffer[o.used] = 0;
    return o.used;
}

EXPORTED INT WINAPIV wsprintfW(LPWSTR buffer, LPCWSTR text, ...) {
    va_list args;
    va_start(args, text);
    int n = format(buffer, wsprintfLimit, text, &args);
    va_end(args);
    return n;
}

/* The C runtime's swprintf of Windows: `count` characters at most, the
 * terminator among them. */
EXPORTED int conformance_swprintf(WCHAR* buffer, size_t count, const WCHAR* text, ...) {
    va_list args;
    va_start(args, text);
    int n = format(buffer, count > INT_MAX ? INT_MAX : (int)count, text, &args);
    va_end(args);
    return n;
}
