// Promises rejected with nobody to handle them: recorded as they happen,
// reported as the engine's pending error once the run is over and still no
// handler came.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"

namespace qor::format::engine::javascript {

void ComV8Engine::Impl::promiseRejected(v8::PromiseRejectMessage message) {
    v8::Local<v8::Promise> promise = message.GetPromise();
    v8::Isolate* own = promise->GetIsolate();
    auto& engine = IsolateData::engine(own).implementation();
    switch (message.GetEvent()) {
    case v8::kPromiseRejectWithNoHandler:
        engine.unhandledRejections.add(own, promise);
        break;
    case v8::kPromiseHandlerAddedAfterReject:
        engine.unhandledRejections.remove(promise);
        break;
    default:
        // Settling a settled promise changes nothing.
        break;
    }
}

void ComV8Engine::Impl::recordRejectionsLeft() {
    if (isolate == nullptr)
        return;
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    // Inside a script still running (a run nested in a host call), handlers
    // may yet come: the promise jobs run once the outermost script returns.
    if (v8::StackTrace::CurrentStackTrace(isolate, 1)->GetFrameCount() > 0)
        return;
    v8::Context::Scope contextScope(context.Get(isolate));
    if (auto error = unhandledRejections.takeOldestUnhandled(isolate))
        recordError(std::move(*error));
}

} // namespace qor::format::engine::javascript
