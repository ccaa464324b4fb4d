#pragma once

#include "Platform/Posix/Ole/Ole.h"
#include "Platform/Posix/Ole/TypeLibRecord.h"

namespace qor::platform::posix::ole {

// The VARIANT of a stored value (a default value or a constant); the caller
// owns it. Only scalar and string types are taken: a stored value claiming
// to be an object or a reference would be a pointer read from a file, so it
// comes out as VT_EMPTY.
VARIANT variantOfTypeLibValue(ValueRecord const& value);

} // namespace qor::platform::posix::ole
