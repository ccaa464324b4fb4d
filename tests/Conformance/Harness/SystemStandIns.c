/* The clock, the environment and the process, as kernel32 gives them. */

#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <windef.h>
#include <winbase.h>
#include <winerror.h>

#include "Exported.h"

EXPORTED void WINAPI GetSystemTime(LPSYSTEMTIME out) {
    struct timespec now;
    struct tm utc;
    clock_gettime(CLOCK_REALTIME, &now);
    gmtime_r(&now.tv_sec, &utc);
    out->wYear = (WORD)(utc.tm_year + 1900);
    out->wMonth = (WORD)(utc.tm_mon + 1);
    out->wDayOfWeek = (WORD)utc.tm_wday;
    out->wDay = (WORD)utc.tm_mday;
    out->wHour = (WORD)utc.tm_hour;
    out->wMinute = (WORD)utc.tm_min;
    out->wSecond = (WORD)utc.tm_sec;
    out->wMilliseconds = (WORD)(now.tv_nsec / 1000000);
}

/* The length without the terminator when `buffer` holds the value, the
 * size it needs otherwise. */
EXPORTED DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    char const* value = getenv(name);
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    size_t length = strlen(value);
    if (!buffer || length >= size)
        return (DWORD)length + 1;
    memcpy(buffer, value, length + 1);
    return (DWORD)length;
}

/* The pseudo-handle of the calling process. */
EXPORTED HANDLE WINAPI GetCurrentProcess(void) {
    return (HANDLE)~(ULONG_PTR)0;
}
