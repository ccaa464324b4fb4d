#pragma once

// Values as display text: VarFormat and its format language, the locale's
// forms of numbers, amounts, percentages and dates, and the names of months
// and days, as oleaut32 has them. The text is that of the user default
// locale (UserLocale.h), or of the LCID given.

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Types.h"

// Flags of VarFormat and its family. With VAR_FORMAT_NOSUBSTITUTE a value
// that is not of the format's kind fails instead of being written as plain
// text. VAR_CALENDAR_HIJRI (dates in the Hijri calendar) is not supported:
// E_NOTIMPL for a date written with it.
#define VAR_CALENDAR_HIJRI ((DWORD)0x00000008)
#define VAR_FORMAT_NOSUBSTITUTE ((DWORD)0x00000020)

// iFirstDay counts 1 for Sunday to 7 for Saturday, 0 for the locale's first
// day of the week; iFirstWeek is 1 for the week of 1 January, 2 for the
// first with four days, 3 for the first whole one, 0 for the locale's.
WINOLEAUTAPI VarFormat(LPVARIANT pvarIn, LPOLESTR pstrFormat, int iFirstDay, int iFirstWeek, ULONG dwFlags,
                       BSTR* pbstrOut);

// The tokens are ours, opaque to the caller; VarFormatFromTokens reads only
// tokens VarTokenizeFormatString made, and needs no format string with
// them. *pcbActual receives the size of the tokens.
WINOLEAUTAPI VarTokenizeFormatString(LPOLESTR pstrFormat, LPBYTE rgbTok, int cbTok, int iFirstDay, int iFirstWeek,
                                     LCID lcid, int* pcbActual);
WINOLEAUTAPI VarFormatFromTokens(LPVARIANT pvarIn, LPOLESTR pstrFormat, LPBYTE pbTokCur, ULONG dwFlags, BSTR* pbstrOut,
                                 LCID lcid);

// iNamedFormat: 0 general date, 1 long date, 2 short date, 3 long time, 4
// short time.
WINOLEAUTAPI VarFormatDateTime(LPVARIANT pvarIn, int iNamedFormat, ULONG dwFlags, BSTR* pbstrOut);

// iNumDig is the count of fraction digits, -1 for the locale's; iIncLead,
// iUseParens and iGroup are -2 for the locale's way, 0 for no, -1 for yes.
WINOLEAUTAPI VarFormatNumber(LPVARIANT pvarIn, int iNumDig, int iIncLead, int iUseParens, int iGroup, ULONG dwFlags,
                             BSTR* pbstrOut);
WINOLEAUTAPI VarFormatPercent(LPVARIANT pvarIn, int iNumDig, int iIncLead, int iUseParens, int iGroup, ULONG dwFlags,
                              BSTR* pbstrOut);
WINOLEAUTAPI VarFormatCurrency(LPVARIANT pvarIn, int iNumDig, int iIncLead, int iUseParens, int iGroup, ULONG dwFlags,
                               BSTR* pbstrOut);

WINOLEAUTAPI VarMonthName(int iMonth, int fAbbrev, ULONG dwFlags, BSTR* pbstrOut);
// iWeekday counts from the first day of the week, 1 to 7.
WINOLEAUTAPI VarWeekdayName(int iWeekday, int fAbbrev, int iFirstDay, ULONG dwFlags, BSTR* pbstrOut);

// The other month names of the locale (GetAltMonthNames in Locale.h says
// which), twelve and a null, kept for the life of the process: the caller
// frees nothing. A null array for a locale that has none.
WINOLEAUTAPI GetAltMonthNames(LCID lcid, LPOLESTR** prgp);
