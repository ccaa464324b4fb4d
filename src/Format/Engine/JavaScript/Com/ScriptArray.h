#pragma once

#include <v8.h>

#include <optional>
#include <utility>

namespace qor::format::engine::javascript {

// A script array held from COM: a persistent handle that keeps it alive for
// as long as a COM object needs it, and the way into its isolate for a call
// that COM makes, perhaps while no script runs.
class ScriptArray {
public:
    ScriptArray(v8::Isolate* isolate, v8::Local<v8::Array> array) : isolate(isolate) {
        if (!array.IsEmpty())
            this->array.Reset(isolate, array);
    }
    ScriptArray(ScriptArray const& other) : isolate(other.isolate) {
        if (isolate != nullptr && !other.array.IsEmpty())
            array.Reset(isolate, other.array);
    }
    ScriptArray& operator=(ScriptArray const&) = delete;

    // False once the engine has let go of the isolate, or without an array.
    bool attached() const { return isolate != nullptr && !array.IsEmpty(); }
    void detach() {
        array.Reset();
        isolate = nullptr;
    }

    // Calls `body(context, array)` with the isolate entered, a handle scope
    // open and a context entered: the current one, or when COM calls while no
    // script runs, the context the array was made in.
    template <class Body>
    auto visit(Body&& body) {
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope handleScope(isolate);
        v8::Local<v8::Array> local = array.Get(isolate);
        v8::Local<v8::Context> context = isolate->GetCurrentContext();
        std::optional<v8::Context::Scope> contextScope;
        if (context.IsEmpty()) {
            context = local->GetCreationContext().ToLocalChecked();
            contextScope.emplace(context);
        }
        return std::forward<Body>(body)(context, local);
    }

    v8::Isolate* isolate;
    v8::Global<v8::Array> array;
};

} // namespace qor::format::engine::javascript
