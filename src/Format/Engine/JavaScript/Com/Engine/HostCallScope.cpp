#include "Format/Engine/JavaScript/Com/HostCallScope.h"

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"

namespace qor::format::engine::javascript {

HostCallScope::HostCallScope(ComV8Engine& engine) {
    if (engine.implementation().enterForScope())
        lifetime = engine.implementation().lifetime();
}

HostCallScope::~HostCallScope() {
    if (lifetime && lifetime->engine != nullptr)
        lifetime->engine->leaveForScope();
}

} // namespace qor::format::engine::javascript
