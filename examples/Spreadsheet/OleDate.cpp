#include "OleDate.h"

#include <chrono>
#include <cmath>

#include <fmt/format.h>

namespace qor::examples::spreadsheet {
namespace {

using namespace std::chrono;

constexpr sys_days oleEpoch = year{1899} / December / 30;
constexpr int firstYear = 100;
constexpr int lastYear = 9999;
constexpr long secondsPerDay = 24 * 60 * 60;

bool inRange(year_month_day const& day) {
    return day.ok() && int(day.year()) >= firstYear && int(day.year()) <= lastYear;
}

} // namespace

std::optional<std::string> formatOleDate(DATE date) {
    // Beyond this the day count would not fit the calendar types at all.
    if (!std::isfinite(date) || std::fabs(date) > 4.0e6)
        return std::nullopt;
    double const wholeDays = std::trunc(date);
    long seconds = std::lround(std::fabs(date - wholeDays) * secondsPerDay);
    long dayCount = static_cast<long>(wholeDays);
    // A time that rounds up to midnight is the start of the next day; before
    // the epoch too, since the time of day counts forward there as well.
    if (seconds == secondsPerDay) {
        seconds = 0;
        ++dayCount;
    }
    year_month_day const day{oleEpoch + days{dayCount}};
    if (!inRange(day))
        return std::nullopt;
    std::string text = fmt::format("{:04}-{:02}-{:02}", int(day.year()), unsigned(day.month()), unsigned(day.day()));
    if (seconds != 0)
        text += fmt::format(" {:02}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

std::optional<DATE> oleDateOf(int yearNumber, int monthNumber, int dayNumber) {
    // Checked first: the calendar types keep only the low bits of larger numbers.
    if (yearNumber < firstYear || yearNumber > lastYear || monthNumber < 1 || monthNumber > 12 || dayNumber < 1 ||
        dayNumber > 31)
        return std::nullopt;
    year_month_day const day{year{yearNumber}, month{unsigned(monthNumber)}, std::chrono::day{unsigned(dayNumber)}};
    if (!inRange(day))
        return std::nullopt;
    return static_cast<DATE>((sys_days{day} - oleEpoch).count());
}

} // namespace qor::examples::spreadsheet
