#pragma once

#include "Platform/Posix/Ole/Ole.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibRecord.h"

namespace qor::platform::posix::ole {

// The VARIANT of a stored value (a default value or a constant); the caller
// owns it. Scalars and strings are taken as stored; an object is always a
// null one, since its bits would be a pointer read from a file; anything
// else (a reference, an array) comes out as VT_EMPTY.
VARIANT variantOfTypeLibValue(TypeLibRecord const& lib, ValueRecord const& value);

} // namespace qor::platform::posix::ole
