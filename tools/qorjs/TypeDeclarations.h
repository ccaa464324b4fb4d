#pragma once

#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"
#include "Format/Engine/JavaScript/Com/EngineOptions.h"
#include "Id/Guid.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace qor::tools::qorjs {

// A ProgID that new ActiveXObject takes, and the class of the object it makes.
struct ProgIdClass {
    std::string progId;
    Guid clsid;
};

// The event interface of a class (ComClass::guid), by the identifier of the
// dispatch interface that names its events.
using EventSources = std::unordered_map<Guid, Guid, Guid::hash>;

// TypeScript declarations (a .d.ts) of exactly the globals an engine binds
// from `classes` with `options`: Include, the constructors and global
// objects with their members, the events functions when they are on (with
// the names and arguments of `events` where a class has one), the
// ProgIDs typed for new ActiveXObject, for...of over collections and
// Enumerators. The instance types live in the namespace QorCom; ActiveXObject
// and Enumerator themselves come from TypeScript's lib.scripthost.d.ts.
std::string typeDeclarations(format::engine::javascript::ClassMap const& classes,
                             std::vector<ProgIdClass> const& progIds, EventSources const& events,
                             format::engine::javascript::EngineOptions const& options);

} // namespace qor::tools::qorjs
