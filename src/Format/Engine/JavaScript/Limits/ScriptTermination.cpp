#include "Format/Engine/JavaScript/Limits/ScriptTermination.h"

namespace qor::format::engine::javascript {
namespace {

bool anyRun(ScriptTermination::RunId, ScriptTermination::RunId) { return true; }
bool thatRun(ScriptTermination::RunId running, ScriptTermination::RunId run) { return running == run; }

} // namespace

void ScriptTermination::attach(v8::Isolate* attached) {
    std::lock_guard lock(mutex);
    isolate = attached;
}

void ScriptTermination::waitForRequest() {
    // A request that saw this run in progress is made before the run is
    // over, so that the isolate never keeps a termination meant for it.
    std::lock_guard waitForIt(mutex);
}

void ScriptTermination::cancel() {
    if (isolate != nullptr)
        isolate->CancelTerminateExecution();
}

void ScriptTermination::terminate(Reason reason) { terminateIf(reason, anyRun, 0); }

void ScriptTermination::terminate(Reason reason, RunId run) { terminateIf(reason, thatRun, run); }

void ScriptTermination::terminateIf(Reason reason, bool (*applies)(RunId running, RunId run), RunId run) {
    std::lock_guard lock(mutex);
    deciding.store(true, std::memory_order_relaxed);
    // The heavy half: every thread, the isolate's too, passes a full fence
    // before `running` is read (endRun).
    AsymmetricFence::heavy();
    RunId const now = running.load(std::memory_order_acquire);
    if (isolate != nullptr && now != 0 && applies(now, run)) {
        int none = 0;
        why.compare_exchange_strong(none, static_cast<int>(reason) + 1, std::memory_order_release);
        isolate->TerminateExecution();
        requested.store(true, std::memory_order_release);
    }
    deciding.store(false, std::memory_order_release);
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

} // namespace qor::format::engine::javascript
