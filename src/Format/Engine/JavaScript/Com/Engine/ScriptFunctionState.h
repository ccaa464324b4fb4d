#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/ScriptFunction.h"

#include <v8.h>

#include <string>

namespace qor::format::engine::javascript {

// What the copies of one ScriptFunction share: the function and its `this`,
// held for as long as a copy lives or until the engine goes, which lets go
// of the handles before its isolate does (ComV8Engine::Impl::forgetFunctions).
class ScriptFunction::State {
public:
    State(ComV8Engine::Impl& engine, v8::Isolate* isolate, v8::Local<v8::Function> function,
          v8::Local<v8::Value> receiver, std::string name);
    ~State();
    State(State const&) = delete;
    State& operator=(State const&) = delete;

    // Null once the engine is gone.
    ComV8Engine::Impl* engine;
    v8::Global<v8::Function> function;
    v8::Global<v8::Value> receiver;
    std::string const name;
};

} // namespace qor::format::engine::javascript
