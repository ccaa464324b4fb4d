/* GetLocaleInfo and SetLocaleInfo of kernel32 for the items the tests read,
 * with Windows' values in the locales the tests run in: en-US (0x0409), the
 * runtime's default, and de-DE and fr-FR, which check-conformance makes the
 * runtime's user default locale for some files (CONFORMANCE_LCID,
 * Selection.c). A value set for the user's locale is kept and read back
 * here; the runtime has no user settings, so it does not see it. */

#include <string.h>

#include <windef.h>
#include <winbase.h>
#include <winerror.h>
#include <winnls.h>

#include "Exported.h"

enum { locales = 3 };
static LANGID const languages[locales] = {0x0409, 0x0407, 0x040C};

typedef struct {
    LCTYPE type;
    WCHAR const* value[locales]; /* en-US, de-DE, fr-FR */
    WCHAR user[80]; /* set by SetLocaleInfo, if not empty */
    BOOL userSet;
} Item;

static Item items[] = {
    {LOCALE_SDECIMAL, {L".", L",", L","}},
    {LOCALE_STHOUSAND, {L",", L".", L"\x202F"}},
    {LOCALE_IDIGITS, {L"2", L"2", L"2"}},
    {LOCALE_SCURRENCY, {L"$", L"\x20AC", L"\x20AC"}},
    {LOCALE_SMONDECIMALSEP, {L".", L",", L","}},
    {LOCALE_SMONTHOUSANDSEP, {L",", L".", L"\x202F"}},
    {LOCALE_STIMEFORMAT, {L"h:mm:ss tt", L"HH:mm:ss", L"HH:mm:ss"}},
    {LOCALE_SSHORTDATE, {L"M/d/yyyy", L"dd.MM.yyyy", L"dd/MM/yyyy"}},
    {LOCALE_IFIRSTDAYOFWEEK, {L"6", L"0", L"0"}}, /* counting from Monday as 0 */
    {LOCALE_SDAYNAME1, {L"Monday", L"Montag", L"lundi"}},
    {LOCALE_SDAYNAME2, {L"Tuesday", L"Dienstag", L"mardi"}},
    {LOCALE_SDAYNAME3, {L"Wednesday", L"Mittwoch", L"mercredi"}},
    {LOCALE_SDAYNAME4, {L"Thursday", L"Donnerstag", L"jeudi"}},
    {LOCALE_SDAYNAME5, {L"Friday", L"Freitag", L"vendredi"}},
    {LOCALE_SDAYNAME6, {L"Saturday", L"Samstag", L"samedi"}},
    {LOCALE_SDAYNAME7, {L"Sunday", L"Sonntag", L"dimanche"}},
    {LOCALE_SABBREVDAYNAME1, {L"Mon", L"Mo", L"lun."}},
    {LOCALE_SABBREVDAYNAME2, {L"Tue", L"Di", L"mar."}},
    {LOCALE_SABBREVDAYNAME3, {L"Wed", L"Mi", L"mer."}},
    {LOCALE_SABBREVDAYNAME4, {L"Thu", L"Do", L"jeu."}},
    {LOCALE_SABBREVDAYNAME5, {L"Fri", L"Fr", L"ven."}},
    {LOCALE_SABBREVDAYNAME6, {L"Sat", L"Sa", L"sam."}},
    {LOCALE_SABBREVDAYNAME7, {L"Sun", L"So", L"dim."}},
};

/* The user's locale is the runtime's user default. */
static int localeOf(LCID lcid) {
    if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT)
        lcid = GetUserDefaultLCID();
    for (int i = 0; i < locales; ++i)
        if (LANGIDFROMLCID(lcid) == languages[i] && SORTIDFROMLCID(lcid) == SORT_DEFAULT)
            return i;
    return -1;
}

static Item* itemOf(LCID lcid, LCTYPE type, int* locale) {
    *locale = localeOf(lcid);
    if (*locale < 0) {
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

static WCHAR const* valueOf(Item const* item, LCTYPE type, int locale) {
    return item->userSet && !(type & LOCALE_NOUSEROVERRIDE) ? item->user : item->value[locale];
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
    int locale;
    Item const* item = itemOf(lcid, type, &locale);
    if (!item)
        return 0;
    WCHAR const* value = valueOf(item, type, locale);
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
    int locale;
    Item* item = itemOf(lcid, type, &locale);
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
