#pragma once

#include "Platform/Com.h"

namespace qor::format::engine::javascript {

// The VARIANT type of the elements of a SAFEARRAY declared with the element
// description `element`: its own type for those a VARIANT holds, VT_I4 for
// an enumeration, VT_DISPATCH or VT_UNKNOWN for an interface pointer, what an
// alias stands for; VT_EMPTY for anything else (records, coclasses).
VARTYPE safeArrayElementType(ITypeInfo& typeInfo, TYPEDESC const& element);

} // namespace qor::format::engine::javascript
