#pragma once

#include <v8.h>

namespace qor::format::engine::javascript {

// Outcome of calling a global script function by name.
struct V8FuncResult {
    bool found = false; // the function existed and was called
    v8::Local<v8::Value> value;
};

} // namespace qor::format::engine::javascript
