#pragma once

// The V8 callbacks through which scripts use COM objects: each script call of
// a method, read or write of a property, index read or construction is one
// IDispatch::Invoke. A failure is thrown into the script as a plain string
// and the callback returns at once.

#include "Format/Engine/JavaScript/Com/V8Class.h"
#include "Platform/Com.h"

#include <v8.h>

#include <cstdint>
#include <vector>

namespace qor::format::engine::javascript::ComCallback {

// A method, or a property get with arguments. Data: its V8Function.
void Function(v8::FunctionCallbackInfo<v8::Value> const& info);
// Data: the V8Property.
void Getter(v8::Local<v8::String> name, v8::PropertyCallbackInfo<v8::Value> const& info);
void Setter(v8::Local<v8::String> name, v8::Local<v8::Value> value, v8::PropertyCallbackInfo<void> const& info);
// A numeric index read on a collection: its default member. Data: the V8Class.
void GetByIndex(std::uint32_t index, v8::PropertyCallbackInfo<v8::Value> const& info);

// `new X(...)` and the older `X.New(...)`, through the class's "New" and
// "New2" methods. Data: the V8Class.
void Constructor(v8::FunctionCallbackInfo<v8::Value> const& info);
void ConstructorDeprecated(v8::FunctionCallbackInfo<v8::Value> const& info);

// The first overload that takes the call's arguments: at least as many
// parameters, an object wherever a pointer parameter is, and no object where
// a parameter takes none (IDispatch* and IUnknown* parameters take both).
// Null, with "No matching constructor found." thrown, when none does.
V8Constructor const* findMatchingConstructor(v8::FunctionCallbackInfo<v8::Value> const& info,
                                             SharedList<V8Constructor> const& constructors);

// The most specific text there is for a failed Invoke: the object's own
// description, the system's message for the code, or the code itself.
void throwComError(v8::Isolate* isolate, HRESULT result, EXCEPINFO const& excepInfo);

} // namespace qor::format::engine::javascript::ComCallback
