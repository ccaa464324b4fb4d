#pragma once

#include "Platform/Com.h"

#include <string>

namespace qor::format::engine::javascript {

// A readable name for a declared type: the VARENUM constant name ("VT_I4"),
// "*" before it for one level of pointer, or the referenced type's own name
// for a user-defined type. Empty for values without a name of their own
// (combinations with VT_ARRAY, VT_BYREF, VT_VECTOR among them).
std::string getTypeName(ITypeInfo& typeInfo, TYPEDESC const& typeDesc);

} // namespace qor::format::engine::javascript
