#pragma once

// A value written through the tokens of a format (FormatTokens.h): the
// value is turned into what the format is for (a number, a date or a text)
// through VariantChangeTypeEx in the locale, the section for its sign, zero
// or null chosen, and the section's tokens written.

#include <expected>
#include <optional>
#include <string>

#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole::format {

// Nothing for a null value that no section of the format is for.
// E_INVALIDARG for tokens that are not ours; a value that is not of the
// format's kind is written as plain text, or with VAR_FORMAT_NOSUBSTITUTE
// fails with the conversion's error.
std::expected<std::optional<std::u16string>, HRESULT> formatWithTokens(VARIANT const& value, BYTE const* tokens,
                                                                       LCID lcid, ULONG flags);

} // namespace qor::platform::posix::ole::format
