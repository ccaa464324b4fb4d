#pragma once

#include "Platform/Com.h"

#include <string>

namespace qor::format::engine::javascript {

// A constant of a type (an enumeration's values, a module's constants): its
// name and value as the type information gives them.
struct ComConstant {
    std::string name;
    // Copying raises _com_error when the value cannot be copied.
    _variant_t value;
};

} // namespace qor::format::engine::javascript
