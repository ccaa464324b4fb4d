#pragma once

// A value written through a format string: the format read into tokens,
// then the value through them. What VarFormat and every function of its
// family that takes no tokens does.

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Automation/FormatTokenizer.h"
#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole::format {

using Formatted = std::expected<std::optional<std::u16string>, HRESULT>;

Formatted formatValue(VARIANT const& value, std::u16string_view format, TokenizeOptions const& options, LCID lcid,
                      ULONG flags);

// Hands a result to the caller as the functions of the family do: a new
// BSTR, or a null one for a null value, and the HRESULT.
HRESULT returnText(Formatted const& text, BSTR* out);

} // namespace qor::platform::posix::ole::format
