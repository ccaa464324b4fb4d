#pragma once

// A date written through the tokens of a date section: its day, month,
// year, time and names, the locale's separators, and the locale's own
// short, medium and long forms for the tokens that ask for them.

#include <expected>
#include <string>

#include "Platform/Posix/Ole/Automation/FormatTokens.h"
#include "Platform/Posix/Ole/Automation/Locale.h"

namespace qor::platform::posix::ole::format {

struct DateInput {
    DATE value;
    convert::Locale const& locale;
    int firstDay;  // 1 for Sunday to 7 for Saturday
    int firstWeek; // 1: the week of 1 January, 2: the first with four days, 3: the first whole one
};

// E_INVALIDARG also for a date outside the years 100 to 9999.
std::expected<std::u16string, HRESULT> formatDateSection(TokenReader& tokens, SectionHeader const& section,
                                                         DateInput const& input);

} // namespace qor::platform::posix::ole::format
