#include "Format/Engine/JavaScript/Limits/ScriptTermination.h"

namespace qor::format::engine::javascript {

void ScriptTermination::attach(v8::Isolate* attached) {
    std::lock_guard lock(mutex);
    isolate = attached;
}

std::optional<ScriptTermination::RunId> ScriptTermination::begin() {
    std::lock_guard lock(mutex);
    if (depth++ != 0)
        return std::nullopt;
    why.reset();
    return ++current;
}

bool ScriptTermination::end() {
    std::lock_guard lock(mutex);
    if (--depth != 0)
        return false;
    if (why && isolate != nullptr)
        isolate->CancelTerminateExecution();
    return true;
}

void ScriptTermination::terminate(Reason reason) {
    std::lock_guard lock(mutex);
    terminateRun(reason);
}

void ScriptTermination::terminate(Reason reason, RunId run) {
    std::lock_guard lock(mutex);
    if (run == current)
        terminateRun(reason);
}

void ScriptTermination::terminateRun(Reason reason) {
    if (isolate == nullptr || depth == 0)
        return;
    if (!why)
        why = reason;
    isolate->TerminateExecution();
}

std::optional<ScriptTermination::Reason> ScriptTermination::reason() const {
    std::lock_guard lock(mutex);
    return why;
}

} // namespace qor::format::engine::javascript
