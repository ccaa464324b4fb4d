#include "Platform/Posix/Ole/Automation/VariantTime.h"

#include "Platform/Posix/Ole/Automation/OleDate.h"
#include "Platform/Posix/Ole/Automation/VarConversions.h"

namespace {

namespace convert = qor::platform::posix::ole::convert;

// The fields of a SYSTEMTIME read as the signed numbers callers put there
// to count backwards.
int part(WORD field)
{
    return static_cast<SHORT>(field);
}

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2099;

} // namespace

HRESULT VarDateFromUdateEx(UDATE* pudateIn, LCID lcid, ULONG dwFlags, DATE* pdateOut)
{
    if (pudateIn == nullptr || pdateOut == nullptr)
        return E_INVALIDARG;
    SYSTEMTIME const& st = pudateIn->st;
    long const seconds = long(part(st.wHour)) * 3600 + long(part(st.wMinute)) * 60 + part(st.wSecond);
    auto when = convert::runningOver(convert::fullYear(part(st.wYear)), part(st.wMonth), part(st.wDay), seconds);
    if (!when)
        return E_INVALIDARG;
    if ((dwFlags & VAR_TIMEVALUEONLY) != 0)
        *pdateOut = when->timeOfDay();
    else if ((dwFlags & VAR_DATEVALUEONLY) != 0)
        *pdateOut = double(when->days);
    else
        *pdateOut = when->date();
    return S_OK;
}

HRESULT VarDateFromUdate(UDATE* pudateIn, ULONG dwFlags, DATE* pdateOut)
{
    return VarDateFromUdateEx(pudateIn, LOCALE_USER_DEFAULT, dwFlags, pdateOut);
}

HRESULT VarUdateFromDate(DATE dateIn, ULONG dwFlags, UDATE* pudateOut)
{
    if (pudateOut == nullptr)
        return E_INVALIDARG;
    auto when = convert::split(dateIn);
    if (!when)
        return E_INVALIDARG;
    SYSTEMTIME& st = pudateOut->st;
    st.wYear = static_cast<WORD>(when->date.year);
    st.wMonth = static_cast<WORD>(when->date.month);
    st.wDay = static_cast<WORD>(when->date.day);
    st.wDayOfWeek = static_cast<WORD>(when->weekday);
    st.wHour = static_cast<WORD>(when->time.hour);
    st.wMinute = static_cast<WORD>(when->time.minute);
    st.wSecond = static_cast<WORD>(when->time.second);
    st.wMilliseconds = 0;
    pudateOut->wDayOfYear = static_cast<USHORT>(when->dayOfYear);
    return S_OK;
}

INT SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime)
{
    if (lpSystemTime == nullptr || pvtime == nullptr)
        return FALSE;
    SYSTEMTIME const& st = *lpSystemTime;
    if (st.wMonth < 1 || st.wMonth > 12 || st.wDay > 31 || st.wYear > convert::kLastYear)
        return FALSE;
    UDATE date{st, 0};
    return SUCCEEDED(VarDateFromUdate(&date, 0, pvtime)) ? TRUE : FALSE;
}

INT VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime)
{
    if (lpSystemTime == nullptr)
        return FALSE;
    UDATE date;
    if (FAILED(VarUdateFromDate(vtime, 0, &date)))
        return FALSE;
    *lpSystemTime = date.st;
    return TRUE;
}

// An MS-DOS date holds the day in bits 0-4, the month in 5-8 and the year
// from 1980 in 9-15; its time the seconds halved in bits 0-4, the minutes in
// 5-10 and the hour in 11-15.
INT DosDateTimeToVariantTime(USHORT wDosDate, USHORT wDosTime, DOUBLE* pvtime)
{
    if (pvtime == nullptr)
        return FALSE;
    int const day = wDosDate & 0x1F;
    int const month = (wDosDate >> 5) & 0xF;
    int const year = kFirstDosYear + (wDosDate >> 9);
    int const second = (wDosTime & 0x1F) * 2;
    int const minute = (wDosTime >> 5) & 0x3F;
    int const hour = wDosTime >> 11;
    if (month > 12 || year > kLastDosYear || hour > 23 || minute > 59 || second > 59)
        return FALSE;
    auto when = convert::runningOver(year, month, day, hour * 3600L + minute * 60 + second);
    if (!when)
        return FALSE;
    *pvtime = when->date();
    return TRUE;
}

INT VariantTimeToDosDateTime(DOUBLE vtime, USHORT* pwDosDate, USHORT* pwDosTime)
{
    if (pwDosDate == nullptr || pwDosTime == nullptr)
        return FALSE;
    auto when = convert::split(vtime);
    if (!when || when->date.year < kFirstDosYear || when->date.year > kLastDosYear)
        return FALSE;
    *pwDosDate = static_cast<USHORT>(when->date.day | when->date.month << 5 | (when->date.year - kFirstDosYear) << 9);
    *pwDosTime = static_cast<USHORT>(when->time.second / 2 | when->time.minute << 5 | when->time.hour << 11);
    return TRUE;
}
