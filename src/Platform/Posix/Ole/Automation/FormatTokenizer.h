#pragma once

// VarFormat's format language read into tokens (FormatTokens.h): the named
// formats ("Currency", "Long Date", "Yes/No", ...) and formats of up to four
// sections of placeholders and literal text, for numbers ("#,##0.00;(0)"),
// dates and times ("dddd, mmmm d"), or texts ("@@-@@").

#include <cstddef>
#include <expected>
#include <span>
#include <string_view>

#include "Platform/Posix/Ole/Automation/Locale.h"
#include "Platform/Posix/Ole/Core/HResult.h"

namespace qor::platform::posix::ole::format {

struct TokenizeOptions {
    int firstDay = 0;  // 0 for the locale's, 1 for Sunday to 7 for Saturday
    int firstWeek = 0; // 0 for the locale's, 1 to 3
};

// Writes the tokens of `format` (an empty one is the general format) into
// `buffer` and returns the size they take, which is larger than the buffer
// when they do not fit; E_INVALIDARG for a format whose tokens would take
// more than 64 KB. The locale gives named formats their form.
std::expected<std::size_t, HRESULT> tokenizeFormat(std::u16string_view format, TokenizeOptions const& options,
                                                   convert::Locale const& locale, std::span<BYTE> buffer);

} // namespace qor::platform::posix::ole::format
