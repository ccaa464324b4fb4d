#pragma once

#include "Id/Guid.h"
#include "Platform/Com.h"

#include <v8.h>

#include <unordered_map>
#include <unordered_set>

namespace qor::format::engine::javascript {

// The COM objects that script wrappers keep alive in one isolate.
struct ObjectRegistry {
    std::unordered_map<IDispatch*, v8::Global<v8::Object>> v8ComObjectList;
    std::unordered_set<Guid, Guid::hash> activeXClassGuids;
};

} // namespace qor::format::engine::javascript
