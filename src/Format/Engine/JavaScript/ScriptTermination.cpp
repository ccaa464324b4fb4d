#include "Format/Engine/JavaScript/ScriptTermination.h"

#include <utility>

namespace qor::format::engine::javascript {

void ScriptTermination::attach(v8::Isolate* attached) {
    std::lock_guard lock(mutex);
    isolate = attached;
    pending.reset();
}

std::optional<ScriptTermination::RunId> ScriptTermination::begin() {
    if (depth++ != 0)
        return std::nullopt;
    why.reset();
    active.store(++current, std::memory_order_release);
    return current;
}

bool ScriptTermination::end() {
    if (--depth != 0)
        return false;
    active.store(0, std::memory_order_release);
    // Only this thread sets the isolate, so it reads it without the lock.
    if (why && isolate != nullptr)
        isolate->CancelTerminateExecution();
    return true;
}

void ScriptTermination::terminate(Reason reason) {
    if (RunId const run = active.load(std::memory_order_acquire); run != 0)
        request(reason, run);
}

void ScriptTermination::terminate(Reason reason, RunId run) { request(reason, run); }

void ScriptTermination::request(Reason reason, RunId run) {
    std::lock_guard lock(mutex);
    if (isolate == nullptr)
        return;
    // Runs follow one another: a request for a later run makes an earlier
    // one moot.
    if (!pending || pending->run < run)
        pending = Request{reason, run};
    isolate->RequestInterrupt(carryOut, this);
}

void ScriptTermination::carryOut(v8::Isolate* isolate, void* data) {
    auto& self = *static_cast<ScriptTermination*>(data);
    std::optional<Request> request;
    {
        std::lock_guard lock(self.mutex);
        request = std::exchange(self.pending, std::nullopt);
    }
    if (!request || self.depth == 0 || request->run != self.current)
        return;
    if (!self.why)
        self.why = request->reason;
    isolate->TerminateExecution();
}

std::optional<ScriptTermination::Reason> ScriptTermination::reason() const { return why; }

} // namespace qor::format::engine::javascript
