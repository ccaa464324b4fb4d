#pragma once

// OLE dates to and from the other forms of a calendar day and time: UDATE
// (a SYSTEMTIME with its day of the year), SYSTEMTIME, and the packed date
// and time of MS-DOS file systems. Times are kept to the second.

#include "Platform/Posix/Ole/Automation/Variant.h"

typedef struct {
    SYSTEMTIME st;
    USHORT wDayOfYear; // from 1
} UDATE;

// The parts may run over (a 13th month is January of the next year, day 0
// the last of the month before, 25 o'clock the next day); a year of two
// digits is one of 1950 to 2049, one below zero counts back from 2000.
// dwFlags: VAR_TIMEVALUEONLY or VAR_DATEVALUEONLY keep one part.
// E_INVALIDARG outside the years 100 to 9999.
WINOLEAUTAPI VarDateFromUdate(UDATE* pudateIn, ULONG dwFlags, DATE* pdateOut);
WINOLEAUTAPI VarDateFromUdateEx(UDATE* pudateIn, LCID lcid, ULONG dwFlags, DATE* pdateOut);
// E_INVALIDARG outside the years 100 to 9999.
WINOLEAUTAPI VarUdateFromDate(DATE dateIn, ULONG dwFlags, UDATE* pudateOut);

// TRUE on success. Unlike a UDATE's, a SYSTEMTIME's month must be 1 to 12
// and its day at most 31; a day 0 is still the last of the month before.
WINOLEAUTAPI_(INT) SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime);
WINOLEAUTAPI_(INT) VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime);

// The years 1980 to 2099, to two seconds.
WINOLEAUTAPI_(INT) DosDateTimeToVariantTime(USHORT wDosDate, USHORT wDosTime, DOUBLE* pvtime);
WINOLEAUTAPI_(INT) VariantTimeToDosDateTime(DOUBLE vtime, USHORT* pwDosDate, USHORT* pwDosTime);
