/* GetLocaleInfo and SetLocaleInfo of kernel32 for the items the tests read:
 * the runtime's default locale is en-US (0x0409), so these are Windows'
 * en-US values. A value set for the user's locale is kept and read back
 * here; the runtime has no user settings, so it does not see it. */

#include <string.h>

#include <windef.h>
#include <winbase.h>
#include <winerror.h>
#include <winnls.h>

#include "Exported.h"

typedef struct {
    LCTYPE type;
    WCHAR const* value;
    WCHAR user[80]; /* set by SetLocaleInfo, if not empty */
    BOOL userSet;
} Item;

static Item items[] = {
    {LOCALE_SDECIMAL, L"."},
    {LOCALE_STHOUSAND, L","},
    {LOCALE_IDIGITS, L"2"},
    {LOCALE_SCURRENCY, L"$"},
    {LOCALE_SMONDECIMALSEP, L"."},
    {LOCALE_SMONTHOUSANDSEP, L","},
    {LOCALE_STIMEFORMAT, L"h:mm:ss tt"},
    {LOCALE_SSHORTDATE, L"M/d/yyyy"},
    {LOCALE_IFIRSTDAYOFWEEK, L"6"}, /* Sunday, counting from Monday as 0 */
    {LOCALE_SDAYNAME1, L"Monday"},
    {LOCALE_SDAYNAME2, L"Tuesday"},
    {LOCALE_SDAYNAME3, L"Wednesday"},
    {LOCALE_SDAYNAME4, L"Thursday"},
    {LOCALE_SDAYNAME5, L"Friday"},
    {LOCALE_SDAYNAME6, L"Saturday"},
    {LOCALE_SDAYNAME7, L"Sunday"},
    {LOCALE_SABBREVDAYNAME1, L"Mon"},
    {LOCALE_SABBREVDAYNAME2, L"Tue"},
    {LOCALE_SABBREVDAYNAME3, L"Wed"},
    {LOCALE_SABBREVDAYNAME4, L"Thu"},
    {LOCALE_SABBREVDAYNAME5, L"Fri"},
    {LOCALE_SABBREVDAYNAME6, L"Sat"},
    {LOCALE_SABBREVDAYNAME7, L"Sun"},
};

static BOOL isEnglishUs(LCID lcid) {
    return lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT ||
           lcid == MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
}

static Item* itemOf(LCID lcid, LCTYPE type) {
    if (!isEnglishUs(lcid)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    for (size_t i = 0; i < ARRAYSIZE(items); ++i) {
        if (items[i].type == (type & ~(LOCALE_NOUSEROVERRIDE | LOCALE_RETURN_NUMBER)))
            return &items[i];
    }
    SetLastError(ERROR_INVALID_FLAGS);
    return NULL;
}

static WCHAR const* valueOf(Item const* item, LCTYPE type) {
    return item->userSet && !(type & LOCALE_NOUSEROVERRIDE) ? item->user : item->value;
}

static int wideLength(WCHAR const* text) {
    int n = 0;
    while (text[n])
        ++n;
    return n;
}

static int number(WCHAR const* text) {
    int n = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        n = n * 10 + (*text - '0');
    return n;
}

EXPORTED INT WINAPI GetLocaleInfoW(LCID lcid, LCTYPE type, LPWSTR buffer, INT size) {
    Item const* item = itemOf(lcid, type);
    if (!item)
        return 0;
    WCHAR const* value = valueOf(item, type);
    if (type & LOCALE_RETURN_NUMBER) {
        if (size < (int)(sizeof(DWORD) / sizeof(WCHAR))) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        DWORD n = (DWORD)number(value);
        memcpy(buffer, &n, sizeof n);
        return sizeof n / sizeof(WCHAR);
    }
    int needed = wideLength(value) + 1;
    if (!size)
        return needed;
    if (size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(buffer, value, needed * sizeof(WCHAR));
    return needed;
}

EXPORTED INT WINAPI GetLocaleInfoA(LCID lcid, LCTYPE type, LPSTR buffer, INT size) {
    WCHAR wide[80];
    if (type & LOCALE_RETURN_NUMBER)
        return GetLocaleInfoW(lcid, type, (LPWSTR)buffer, size / 2) * 2;
    if (!GetLocaleInfoW(lcid, type, wide, ARRAYSIZE(wide)))
        return 0;
    return WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, size, NULL, NULL);
}

EXPORTED BOOL WINAPI SetLocaleInfoW(LCID lcid, LCTYPE type, LPCWSTR value) {
    Item* item = itemOf(lcid, type);
    if (!item)
        return FALSE;
    int length = wideLength(value);
    if (length >= (int)ARRAYSIZE(item->user)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    memcpy(item->user, value, (length + 1) * sizeof(WCHAR));
    item->userSet = TRUE;
    return TRUE;
}

EXPORTED BOOL WINAPI SetLocaleInfoA(LCID lcid, LCTYPE type, LPCSTR value) {
    WCHAR wide[80];
    if (!MultiByteToWideChar(CP_ACP, 0, value, -1, wide, ARRAYSIZE(wide))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return SetLocaleInfoW(lcid, type, wide);
}
