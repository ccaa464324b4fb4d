#pragma once

// A number written through the tokens of a number section: its digits
// placed in the placeholders ('0' and '#'), rounded half away from zero to
// the places the section has, in groups, scaled, as a percentage or with
// an exponent, with the locale's separators.

#include <expected>
#include <string>

#include "Platform/Posix/Ole/Automation/FormatTokens.h"
#include "Platform/Posix/Ole/Automation/Locale.h"
#include "Platform/Posix/Ole/Automation/NumberText.h"
#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole::format {

struct NumberInput {
    convert::ParsedNumber const& number; // the digits; the sign is the caller's
    bool minus;                          // the locale's minus sign goes in front
    VARIANT const& value;                // the number itself, for its general text
    LCID lcid;
    convert::Locale const& locale;
};

std::expected<std::u16string, HRESULT> formatNumberSection(TokenReader& tokens, SectionHeader const& section,
                                                           NumberInput const& input);

} // namespace qor::platform::posix::ole::format
