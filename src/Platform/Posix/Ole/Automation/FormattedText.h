#pragma once

// A text written through the tokens of a text section: its characters in
// the placeholders ('@' gives a space where the text has run out, '&'
// nothing), right-aligned unless '!' asks otherwise, whatever the
// placeholders leave appended, in upper case ('>') or lower case ('<').

#include <expected>
#include <string>

#include "Platform/Posix/Ole/Automation/FormatTokens.h"
#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole::format {

std::expected<std::u16string, HRESULT> formatTextSection(TokenReader& tokens, SectionHeader const& section,
                                                         std::u16string_view text);

// A value as it converts to text in the locale: what a general format
// writes, and what a text section formats. Booleans are the locale's words.
std::expected<std::u16string, HRESULT> textOf(VARIANT const& value, LCID lcid);

} // namespace qor::platform::posix::ole::format
