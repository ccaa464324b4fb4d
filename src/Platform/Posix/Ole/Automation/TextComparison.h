#pragma once

// Texts compared as a locale sorts them, with CompareString's NORM_*
// flags: the order of VarBstrCmp and of the texts VarCmp compares.

#include <string_view>

#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole::arith {

// VARCMP_LT, VARCMP_EQ or VARCMP_GT.
int compareTexts(std::u16string_view left, std::u16string_view right, LCID lcid, ULONG flags);

} // namespace qor::platform::posix::ole::arith
