#pragma once

#include "Format/Engine/JavaScript/Com/Engine/ScriptEntry.h"

#include <v8.h>

#include <optional>
#include <thread>
#include <utility>

namespace qor::format::engine::javascript {

// A script value held from COM: a persistent handle that keeps it alive for
// as long as a COM object needs it, and the way into its isolate for a call
// that COM makes, perhaps while no script runs. Only the thread of the
// isolate may use it.
template <class T>
class ScriptHandle {
public:
    // Called with a context current: the one COM's later calls enter when
    // they find none.
    ScriptHandle(v8::Isolate* isolate, v8::Local<T> value) : isolate(isolate) {
        if (value.IsEmpty())
            return;
        this->value.Reset(isolate, value);
        context.Reset(isolate, isolate->GetCurrentContext());
    }
    ScriptHandle(ScriptHandle const& other) : isolate(other.isolate), thread(other.thread) {
        if (isolate != nullptr && !other.value.IsEmpty()) {
            value.Reset(isolate, other.value);
            context.Reset(isolate, other.context);
        }
    }
    ScriptHandle& operator=(ScriptHandle const&) = delete;

    // False once the engine has let go of the isolate, or without a value.
    bool attached() const { return isolate != nullptr && !value.IsEmpty(); }
    bool onOwnThread() const { return std::this_thread::get_id() == thread; }
    void detach() {
        value.Reset();
        context.Reset();
        isolate = nullptr;
    }

    // Calls `body(context, value)` with the isolate entered, a handle scope
    // open and a context entered: the current one, or when COM calls while no
    // script runs, the one the value was taken in. The call is an entry into
    // script: a run of its own when none is in progress.
    template <class Body>
    auto visit(Body&& body) {
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope handleScope(isolate);
        v8::Local<v8::Context> current = isolate->GetCurrentContext();
        std::optional<v8::Context::Scope> contextScope;
        if (current.IsEmpty()) {
            current = context.Get(isolate);
            contextScope.emplace(current);
        }
        ScriptEntry entry(isolate);
        return std::forward<Body>(body)(current, value.Get(isolate));
    }

    v8::Isolate* isolate;
    v8::Global<T> value;

private:
    v8::Global<v8::Context> context;
    std::thread::id thread = std::this_thread::get_id();
};

using ScriptArray = ScriptHandle<v8::Array>;

} // namespace qor::format::engine::javascript
