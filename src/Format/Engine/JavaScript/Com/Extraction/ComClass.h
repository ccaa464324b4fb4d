#pragma once

#include "Format/Engine/JavaScript/Com/Extraction/ComConstant.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComMembers.h"
#include "Id/Guid.h"

#include <string>

namespace qor::format::engine::javascript {

// One COM type with its members: those of its implemented interfaces (the
// last implemented first, each after its own bases), then its own. Names may
// repeat: accessors of one property, a member reached by two paths. Types
// extracted together share the members of the interfaces they have in
// common.
struct ComClass {
    std::string name;
    ComMembers functions;
    Guid guid;
    // Its constants (VAR_CONST members), in index order: those of an
    // enumeration or a module.
    std::vector<ComConstant> constants;
};

} // namespace qor::format::engine::javascript
