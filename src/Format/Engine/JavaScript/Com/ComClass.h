#pragma once

#include "Format/Engine/JavaScript/Com/ComConstant.h"
#include "Format/Engine/JavaScript/Com/ComFunction.h"
#include "Id/Guid.h"

#include <string>
#include <vector>

namespace qor::format::engine::javascript {

// One COM type with its members: those of its implemented interfaces (the
// last implemented first, each after its own bases), then its own. Names may
// repeat: accessors of one property, a member reached by two paths.
struct ComClass {
    std::string name;
    std::vector<ComFunction> functions;
    Guid guid;
    // Its constants (VAR_CONST members), in index order: those of an
    // enumeration or a module.
    std::vector<ComConstant> constants;
};

} // namespace qor::format::engine::javascript
