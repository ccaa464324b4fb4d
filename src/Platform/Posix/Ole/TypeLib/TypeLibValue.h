#pragma once

#include "Platform/Posix/Ole/Ole.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibRecord.h"

namespace qor::platform::posix::ole {

// The VARIANT of a stored value (a default value or a constant); the caller
// owns it. Scalars and strings are taken as stored; an object is always a
// null one, since its bits would be a pointer read from a file; anything
// else (a reference, an array) comes out as VT_EMPTY.
VARIANT variantOfTypeLibValue(TypeLibRecord const& lib, ValueRecord const& value);

// Custom data of one element (library, type, member, parameter, implemented
// type), as ITypeLib2 and ITypeInfo2 hand them out. `datum` is the value
// stored under `guid`, VT_EMPTY when there is none; `all` fills an array in
// task memory that ClearCustData frees.
HRESULT customDatum(TypeLibRecord const& lib, RecordRange range, REFGUID guid, VARIANT* datum);
HRESULT allCustomData(TypeLibRecord const& lib, RecordRange range, CUSTDATA* all);

} // namespace qor::platform::posix::ole
