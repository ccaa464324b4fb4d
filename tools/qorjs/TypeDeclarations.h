#pragma once

#include "Format/Engine/JavaScript/Com/EngineOptions.h"
#include "Format/Engine/JavaScript/Com/V8Class.h"
#include "Id/Guid.h"

#include <string>
#include <vector>

namespace qor::tools::qorjs {

// A ProgID that new ActiveXObject takes, and the class of the object it makes.
struct ProgIdClass {
    std::string progId;
    Guid clsid;
};

// TypeScript declarations (a .d.ts) of exactly the globals an engine binds
// from `classes` with `options`: Include, the constructors and global
// objects with their members, the events functions when they are on, the
// ProgIDs typed for new ActiveXObject, for...of over collections and
// Enumerators. The instance types live in the namespace QorCom; ActiveXObject
// and Enumerator themselves come from TypeScript's lib.scripthost.d.ts.
std::string typeDeclarations(format::engine::javascript::ClassMap const& classes,
                             std::vector<ProgIdClass> const& progIds,
                             format::engine::javascript::EngineOptions const& options);

} // namespace qor::tools::qorjs
