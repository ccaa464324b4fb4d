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
    requested.store(false, std::memory_order_relaxed);
    return ++current;
}

bool ScriptTermination::end() {
    std::lock_guard lock(mutex);
    if (--depth != 0)
        return false;
    requested.store(false, std::memory_order_relaxed);
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
    requested.store(true, std::memory_order_release);
}

bool ScriptTermination::act(v8::Isolate* own) {
    if (own->IsExecutionTerminating())
        return true;
    // Any script passes V8's stack check as it starts, and V8 acts there.
    // The termination is no exception a script could catch: it rises
    // through the callback's caller once the callback returns.
    v8::HandleScope handleScope(own);
    v8::Local<v8::Context> context = own->GetCurrentContext();
    v8::Local<v8::Script> script;
    return v8::Script::Compile(context, v8::String::NewFromUtf8Literal(own, "0")).ToLocal(&script) &&
           script->Run(context).IsEmpty() && own->IsExecutionTerminating();
}

std::optional<ScriptTermination::Reason> ScriptTermination::reason() const {
    std::lock_guard lock(mutex);
    return why;
}

} // namespace qor::format::engine::javascript
