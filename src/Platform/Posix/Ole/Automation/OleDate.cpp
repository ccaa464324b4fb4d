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
    auto seconds = static_cast<int>(std::lround(std::fabs(value - whole) * kSecondsPerDay));
    chrono::sys_days day = kEpoch + chrono::days(static_cast<int>(whole));
    if (seconds == kSecondsPerDay && whole == kLastDay) {
        seconds = kSecondsPerDay - 1; // there is no later day
    } else if (seconds == kSecondsPerDay) {
        seconds = 0;
        day += chrono::days(1);
    }
    chrono::year_month_day calendar(day);
    chrono::sys_days const newYear{calendar.year() / 1 / 1};
    return DateAndTime{{int(calendar.year()), int(unsigned(calendar.month())), int(unsigned(calendar.day()))},
                       {seconds / 3600, seconds / 60 % 60, seconds % 60},
                       int(chrono::weekday(day).c_encoding()),
                       int((day - newYear).count()) + 1};
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
