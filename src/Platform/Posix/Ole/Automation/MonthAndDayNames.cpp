// VarMonthName, VarWeekdayName and GetAltMonthNames: the names of months and
// days in the locale (Locale.h), as they stand alone.

#include "Platform/Posix/Ole/Automation/VarFormat.h"

#include <array>
#include <map>
#include <mutex>
#include <string>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/Locale.h"

namespace {

using namespace qor::platform::posix::ole;

HRESULT returnName(std::u16string const& name, BSTR* out) {
    BSTR result = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    if (result == nullptr)
        return E_OUTOFMEMORY;
    *out = result;
    return S_OK;
}

HRESULT checkFlags(ULONG flags) {
    if (flags & VAR_CALENDAR_HIJRI)
        return E_NOTIMPL;
    return flags == 0 ? S_OK : E_INVALIDARG;
}

// The array GetAltMonthNames hands out for a locale, made once: locales
// live as long as the process, and so do their names.
LPOLESTR* alternateMonthNamesOf(convert::Locale const& locale) {
    static std::mutex mutex;
    static std::map<convert::Locale const*, std::array<LPOLESTR, 13>> arrays;
    std::lock_guard lock(mutex);
    auto [slot, made] = arrays.try_emplace(&locale);
    if (made)
        for (std::size_t i = 0; i < 12; ++i)
            slot->second[i] = const_cast<LPOLESTR>(locale.alternateMonthNames[i].c_str());
    return slot->second.data();
}

} // namespace

HRESULT VarMonthName(int iMonth, int fAbbrev, ULONG dwFlags, BSTR* pbstrOut) {
    if (iMonth < 1 || iMonth > 12 || pbstrOut == nullptr)
        return E_INVALIDARG;
    if (HRESULT hr = checkFlags(dwFlags); FAILED(hr))
        return hr;
    convert::Locale const& locale = convert::localeOf(LOCALE_USER_DEFAULT);
    auto const month = static_cast<std::size_t>(iMonth - 1);
    return returnName(fAbbrev ? locale.monthAbbreviation[month] : locale.monthName[month], pbstrOut);
}

HRESULT VarWeekdayName(int iWeekday, int fAbbrev, int iFirstDay, ULONG dwFlags, BSTR* pbstrOut) {
    if (iWeekday < 1 || iWeekday > 7 || iFirstDay < 0 || iFirstDay > 7 || pbstrOut == nullptr)
        return E_INVALIDARG;
    if (HRESULT hr = checkFlags(dwFlags); FAILED(hr))
        return hr;
    convert::Locale const& locale = convert::localeOf(LOCALE_USER_DEFAULT);
    int const firstDay = iFirstDay != 0 ? iFirstDay : locale.firstDayOfWeek;
    auto const day = static_cast<std::size_t>((iWeekday - 1 + firstDay - 1) % 7);
    return returnName(fAbbrev ? locale.dayAbbreviation[day] : locale.dayName[day], pbstrOut);
}

HRESULT GetAltMonthNames(LCID lcid, LPOLESTR** prgp) {
    if (prgp == nullptr)
        return E_INVALIDARG;
    convert::Locale const& locale = convert::localeOf(lcid);
    *prgp = locale.alternateMonthNames.size() == 12 ? alternateMonthNamesOf(locale) : nullptr;
    return S_OK;
}
