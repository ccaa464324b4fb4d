#pragma once

// The OLE date as a calendar day and time of day, and back: the one place
// that counts days from 30 December 1899, for the texts of dates and for the
// UDATE, SYSTEMTIME and MS-DOS forms alike.
//
// An OLE date counts days from 30 December 1899; its fraction is the time of
// day, counted forward from midnight before that day too, so -1.25 is
// 29 December 1899, 06:00. Dates run from the year 100 to 9999.

#include <optional>

#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole::convert {

// The first and the last day: 1 January 100 and 31 December 9999.
inline constexpr DATE kFirstDay = -657434;
inline constexpr DATE kLastDay = 2958465;
inline constexpr int kFirstYear = 100;
inline constexpr int kLastYear = 9999;
inline constexpr int kSecondsPerDay = 86400;

// Whether a value is a time of one of those days; never for NaN.
constexpr bool isDate(double value)
{
    return value > kFirstDay - 1 && value < kLastDay + 1;
}

struct CalendarDay {
    int year;
    int month; // 1 to 12
    int day;
};

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;

    int seconds() const { return hour * 3600 + minute * 60 + second; }
    double fraction() const { return seconds() / double(kSecondsPerDay); }
};

struct DateAndTime {
    CalendarDay date;
    TimeOfDay time;
    int weekday;   // 0 for Sunday
    int dayOfYear; // from 1
};

// A real day of the years 100 to 9999.
bool isValid(CalendarDay const& date);

DATE dateOf(CalendarDay const& date, TimeOfDay const& time);

// The calendar day and time of a value, to the nearest second; nothing
// outside the years 100 to 9999.
std::optional<DateAndTime> split(DATE value);

// A day counted from 30 December 1899 and the seconds into it.
struct DayAndSeconds {
    long days;
    long seconds; // 0 to 86399

    DATE date() const;
    // The time of day alone, exact rather than what is left of date().
    double timeOfDay() const { return seconds / double(kSecondsPerDay); }
};

// A day and time whose parts may run over, as Windows adds them up: the
// thirteenth month is January of the next year, day 0 the last of the month
// before, 25 o'clock one hour into the next day, and so on backwards.
// Nothing when the day is outside the years 100 to 9999.
std::optional<DayAndSeconds> runningOver(int year, int month, int day, long seconds);

// A year of two digits is one of 1950 to 2049, as Windows 10 1903 and later
// read them; one below zero counts back from 2000.
int fullYear(int year);

} // namespace qor::platform::posix::ole::convert
