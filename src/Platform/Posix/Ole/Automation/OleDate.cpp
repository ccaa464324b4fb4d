#include "Platform/Posix/Ole/Automation/OleDate.h"

#include <chrono>
#include <cmath>

namespace qor::platform::posix::ole::convert {
namespace {

namespace chrono = std::chrono;

constexpr chrono::sys_days kEpoch = chrono::sys_days{chrono::year{1899} / chrono::December / 30};
static_assert((chrono::sys_days{chrono::year{kFirstYear} / 1 / 1} - kEpoch).count() == kFirstDay);
static_assert((chrono::sys_days{chrono::year{kLastYear} / 12 / 31} - kEpoch).count() == kLastDay);

chrono::year_month_day calendarOf(CalendarDay const& date)
{
    return {chrono::year{date.year}, chrono::month(unsigned(date.month)), chrono::day(unsigned(date.day))};
}

// Days from the epoch to midnight of a day, plus the time, written as an
// OLE date: before the epoch the time still counts forward from midnight.
DATE serialOf(long days, long seconds)
{
    double const fraction = seconds / double(kSecondsPerDay);
    return days < 0 ? double(days) - fraction : double(days) + fraction;
}

// A fraction of a day in whole seconds, half a second up, as lround has
// it for a value that is never negative, without the library call.
int roundedSeconds(double fraction)
{
    double const seconds = fraction * kSecondsPerDay;
    int const whole = static_cast<int>(seconds);
    return seconds - whole >= 0.5 ? whole + 1 : whole;
}

// From the days before each month, rather than a second count of days
// from the epoch to the new year.
int dayOfYear(chrono::year_month_day const& date)
{
    static constexpr int kDaysBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    unsigned const month = unsigned(date.month());
    int const leapDay = month > 2 && date.year().is_leap() ? 1 : 0;
    return kDaysBefore[month - 1] + int(unsigned(date.day())) + leapDay;
}

long floorDivide(long value, long divisor)
{
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

} // namespace

bool isValid(CalendarDay const& date)
{
    // chrono keeps a month or a day in a byte: the ranges are checked first.
    return date.year >= kFirstYear && date.year <= kLastYear && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= 31 && calendarOf(date).ok();
}

DATE dateOf(CalendarDay const& date, TimeOfDay const& time)
{
    return serialOf((chrono::sys_days{calendarOf(date)} - kEpoch).count(), time.seconds());
}

std::optional<DateAndTime> split(DATE value)
{
    if (!isDate(value))
        return std::nullopt;
    double whole = std::trunc(value);
    auto seconds = roundedSeconds(std::fabs(value - whole));
    chrono::sys_days day = kEpoch + chrono::days(static_cast<int>(whole));
    if (seconds == kSecondsPerDay && whole == kLastDay) {
        seconds = kSecondsPerDay - 1; // there is no later day
    } else if (seconds == kSecondsPerDay) {
        seconds = 0;
        day += chrono::days(1);
    }
    chrono::year_month_day calendar(day);
    return DateAndTime{{int(calendar.year()), int(unsigned(calendar.month())), int(unsigned(calendar.day()))},
                       {seconds / 3600, seconds / 60 % 60, seconds % 60},
                       int(chrono::weekday(day).c_encoding()),
                       dayOfYear(calendar)};
}

DATE DayAndSeconds::date() const
{
    return serialOf(days, seconds);
}

std::optional<DayAndSeconds> runningOver(int year, int month, int day, long seconds)
{
    // Months run over into years, days into months, seconds into days.
    long const months = long(month) - 1;
    long const wholeYear = long(year) + floorDivide(months, 12);
    if (wholeYear < kFirstYear || wholeYear > kLastYear)
        return std::nullopt;
    auto const first = chrono::year_month_day{chrono::year{int(wholeYear)},
                                              chrono::month(unsigned(months - 12 * floorDivide(months, 12) + 1)),
                                              chrono::day{1}};
    long days = (chrono::sys_days{first} - kEpoch).count() + long(day) - 1 + floorDivide(seconds, kSecondsPerDay);
    if (days < kFirstDay || days > kLastDay)
        return std::nullopt;
    return DayAndSeconds{days, seconds - kSecondsPerDay * floorDivide(seconds, kSecondsPerDay)};
}

int fullYear(int year)
{
    if (year < 50)
        return 2000 + year;
    if (year < 100)
        return 1900 + year;
    return year;
}

} // namespace qor::platform::posix::ole::convert
