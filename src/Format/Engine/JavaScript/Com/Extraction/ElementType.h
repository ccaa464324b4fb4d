#pragma once

#include "Platform/Com.h"

namespace qor::format::engine::javascript {

// The VARIANT type of the elements of a SAFEARRAY declared with the element
// description `element`: its own type for those a VARIANT holds, VT_I4 for
// an enumeration, VT_DISPATCH or VT_UNKNOWN for an interface pointer, what an
// alias stands for; VT_EMPTY for anything else (records, coclasses).
VARTYPE safeArrayElementType(ITypeInfo& typeInfo, TYPEDESC const& element);

// The VARIANT type a value declared as `declared` arrives in: as
// safeArrayElementType says, and VT_ARRAY with its element type for a
// SAFEARRAY (VT_ARRAY alone when that type is none of those).
VARTYPE declaredValueType(ITypeInfo& typeInfo, TYPEDESC const& declared);

} // namespace qor::format::engine::javascript
