#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

namespace qor::format::engine::javascript {

// Whether an engine is still there, for what a host may keep past it: the
// engine clears it as it goes.
struct EngineLifetime {
    ComV8Engine::Impl* engine;
};

} // namespace qor::format::engine::javascript
