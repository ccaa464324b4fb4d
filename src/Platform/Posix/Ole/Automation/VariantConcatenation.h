#pragma once

// VarCat, and VarAdd of texts: each operand as its text in the user's
// locale (VT_NULL and VT_EMPTY as no text, a VT_BOOL in the locale's
// words), joined.

#include <expected>

#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole::arith {

// A VT_BSTR the caller owns.
std::expected<VARIANT, HRESULT> concatenation(VARIANT const& left, VARIANT const& right);

} // namespace qor::platform::posix::ole::arith
