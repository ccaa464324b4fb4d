#pragma once

// The locale that LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT stand for in
// conversions (VariantChangeType(Ex) and the calls that use it). Windows takes
// it from the user's settings; here the host sets it, and until it does it is
// en-US (0x0409), so that results never depend on the environment.

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/Core/Types.h"

// Makes `lcid` the user and system default locale of the process. FALSE, with
// ERROR_INVALID_PARAMETER as the last error and nothing changed, for an LCID
// that names no known locale or is itself a default (LOCALE_USER_DEFAULT).
WINBASEAPI BOOL WINAPI SetUserDefaultLCID(LCID lcid);

WINBASEAPI LCID WINAPI GetUserDefaultLCID(void);
WINBASEAPI LCID WINAPI GetSystemDefaultLCID(void);

typedef DWORD LCTYPE;

// Flags of the calls that read a locale: without the user's settings, and
// (for dates) with the locale's own formats.
#define LOCALE_NOUSEROVERRIDE 0x80000000
#define LOCALE_USE_NLS 0x10000000

// The items of a locale that SetLocaleInfoW sets: the separators of numbers
// and amounts of money, the currency symbol, the minus sign.
#define LOCALE_SDECIMAL 0x0000000E
#define LOCALE_STHOUSAND 0x0000000F
#define LOCALE_SCURRENCY 0x00000014
#define LOCALE_SMONDECIMALSEP 0x00000016
#define LOCALE_SMONTHOUSANDSEP 0x00000017
#define LOCALE_SNEGATIVESIGN 0x00000051

// Sets one item of the user default locale for the rest of the process, as
// a user sets it in Windows' regional settings: the conversions read it
// wherever LOCALE_USER_DEFAULT stands for the locale, unless asked not to
// (LOCALE_NOUSEROVERRIDE, VARIANT_NOUSEROVERRIDE). An empty value leaves the
// item as Windows leaves an empty one ("." for the decimal separator, none
// for the group separator). FALSE, with ERROR_INVALID_PARAMETER as the last
// error, for another LCID or a null value; with ERROR_INVALID_FLAGS for an
// item it does not set.
WINBASEAPI BOOL WINAPI SetLocaleInfoW(LCID Locale, LCTYPE LCType, LPCWSTR lpLCData);

// Which regional settings the conversions and VarFormat read for the user's
// locale, for the whole process: 0 (the default) and 1 (the settings of the
// identity of the calling thread, which here is the one user) read what
// SetLocaleInfoW set; 2 forces the locale's own, as LOCALE_NOUSEROVERRIDE
// does for one call. E_INVALIDARG for another value or a null pointer.
WINOLEAUTAPI GetVarConversionLocaleSetting(ULONG* dwFlags);
WINOLEAUTAPI SetVarConversionLocaleSetting(ULONG dwFlags);
