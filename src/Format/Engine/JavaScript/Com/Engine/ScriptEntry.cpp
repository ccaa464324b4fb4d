#include "Format/Engine/JavaScript/Com/Engine/ScriptEntry.h"

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"

namespace qor::format::engine::javascript {

ScriptEntry::ScriptEntry(v8::Isolate* isolate) : isolate(isolate) {
    IsolateData::engine(isolate).implementation().beginRun();
}

ScriptEntry::~ScriptEntry() {
    ComV8Engine::Impl& engine = IsolateData::engine(isolate).implementation();
    if (!engine.endRun())
        return;
    // The caller in COM has had the script's own exception; a stop ended
    // the run, which the host hears of as the end of any run.
    if (auto stopped = engine.stopError())
        engine.recordError(std::move(*stopped));
    engine.recordUnhandledRejections();
    engine.reportPendingError();
}

} // namespace qor::format::engine::javascript
