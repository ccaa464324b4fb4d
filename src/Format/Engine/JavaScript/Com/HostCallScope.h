#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"

#include <memory>

namespace qor::format::engine::javascript {

class ComV8Engine;
class EngineLifetime;

// Holds an engine's isolate and context entered on this thread for as long as
// it lives, for a host that makes many calls in a row: each call then finds
// them entered; entering an isolate that nothing holds costs V8 an allocation
// and a lock, about a fifth of a short call's cost. Calls are runs as ever; the scope only saves
// the entering. Made on the engine's thread after its first run (before it,
// the scope does nothing), and ended on that thread in the reverse order of
// other scopes. An engine destroyed first lets go of the isolate itself.
class QOR_JAVASCRIPT_COM_API HostCallScope {
public:
    explicit HostCallScope(ComV8Engine& engine);
    ~HostCallScope();
    HostCallScope(HostCallScope const&) = delete;
    HostCallScope& operator=(HostCallScope const&) = delete;

private:
    // The engine whose isolate the scope entered; none when it entered none.
    std::shared_ptr<EngineLifetime> lifetime;
};

} // namespace qor::format::engine::javascript
