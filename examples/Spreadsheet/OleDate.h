#pragma once

#include "Platform/Com.h"

#include <optional>
#include <string>

namespace qor::examples::spreadsheet {

// OLE dates: days since 30 December 1899, the time of day as the fraction.
// Before that day the fraction still counts forward from midnight, so -1.25
// is 29 December 1899, 06:00. Automation dates run from the year 100 to 9999.

// "2024-03-01", with " 12:30:00" when the time is not midnight; nothing for
// a value outside the years 100 to 9999.
std::optional<std::string> formatOleDate(DATE date);

// The date of a calendar day; nothing when there is no such day in those
// years.
std::optional<DATE> oleDateOf(int year, int month, int day);

} // namespace qor::examples::spreadsheet
