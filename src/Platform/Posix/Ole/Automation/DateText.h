#pragma once

// Dates as VariantChangeType writes and reads them: the locale's short date
// and time of day, "1/2/1970 6:00:00 AM" in en-US, "02.01.1970 06:00:00" in
// de-DE. OleDate.h counts the days.

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Automation/Locale.h"
#include "Platform/Posix/Ole/Automation/OleDate.h"
#include "Platform/Posix/Ole/Core/HResult.h"

namespace qor::platform::posix::ole::convert {

// AsNeeded leaves out the time at midnight and the date on 30 December 1899,
// as VarBstrFromDate does; VARIANT_USE_NLS asks for both always, the
// VAR_DATEVALUEONLY and VAR_TIMEVALUEONLY flags for one of them.
enum class DateParts { AsNeeded, DateAndTime, DateOnly, TimeOnly };

// E_INVALIDARG for a value outside the years 100 to 9999.
std::expected<std::u16string, HRESULT> formatDate(DATE value, Locale const& locale, DateParts parts);

// The fields of a date's day and time, to the nearest second.
struct DateFields {
    int year;
    int month; // 1 to 12
    int day;
    int hour;
    int minute;
    int second;
    int weekday;   // 0 for Sunday
    int dayOfYear; // from 1
};

// Nothing for a value outside the years 100 to 9999.
std::optional<DateFields> dateFieldsOf(DATE value);

// A date written by an ICU date pattern in the locale: "EEEE, MMMM d, y"
// gives "Monday, January 1, 1900" in en-US.
std::u16string formatDatePattern(DateFields const& fields, std::u16string_view pattern, Locale const& locale);

// A date, a time of day or both, as people write them in the locale or in
// English: "1/2/1970", "2 Jan 1970 6:00 PM", "1970-01-02", "18:30". Read as
// Windows reads them: the locale's order of day, month and year comes first,
// a year of two digits is one of 1950 to 2049, a missing year is this year's.
// DISP_E_TYPEMISMATCH for a text that is no date. `locale` is one localeOf
// gave, which lives as long as the process.
std::expected<DATE, HRESULT> parseDate(std::u16string_view text, Locale const& locale);

} // namespace qor::platform::posix::ole::convert
