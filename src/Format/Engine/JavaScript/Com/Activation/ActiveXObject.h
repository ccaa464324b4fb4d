#pragma once

// `new ActiveXObject(progId)`: COM objects created by ProgID, bound from the
// object's own type information (Bindings/InstanceTemplate.h).

#include <v8.h>

namespace qor::format::engine::javascript::ActiveXObject {

// `new ActiveXObject(progId)`: creates the registered COM object and gives
// the script a wrapper of the class the object reports.
void Constructor(v8::FunctionCallbackInfo<v8::Value> const& info);

// Puts the constructor on the global template under "ActiveXObject".
void registerOn(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global);

} // namespace qor::format::engine::javascript::ActiveXObject
