#pragma once

#include <v8.h>

namespace qor::format::engine::javascript {

// What calling a script function by name gave.
struct V8FuncResult {
    // True when the function existed and was called.
    bool found = false;
    // Its return value; empty when it threw.
    v8::Local<v8::Value> value;
};

} // namespace qor::format::engine::javascript
