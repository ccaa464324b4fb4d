#pragma once

// The V8 callbacks through which scripts use COM objects: each script call of
// a method, read or write of a property, index read or construction is one
// IDispatch::Invoke. A failure is thrown into the script (BindingFailure: a
// plain string, or an Error under the errorObjects option) and the callback
// returns at once.

#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"
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
// The same for a member of a coclass's interface other than its default one
// (the record's interfaceId), called through that interface.
void FunctionOfInterface(v8::FunctionCallbackInfo<v8::Value> const& info);
void GetterOfInterface(v8::Local<v8::String> name, v8::PropertyCallbackInfo<v8::Value> const& info);
void SetterOfInterface(v8::Local<v8::String> name, v8::Local<v8::Value> value,
                       v8::PropertyCallbackInfo<void> const& info);
// A numeric index read on a collection: its default member. Data: the V8Class.
void GetByIndex(std::uint32_t index, v8::PropertyCallbackInfo<v8::Value> const& info);

// A name found nowhere on a wrapper or its prototypes that is a member of the
// wrapper's class in another case, as a late-bound GetIDsOfNames finds it: a
// type library keeps one spelling per name, the first it meets. The member
// is read as its own spelling; other names are left alone. Such a name is
// read-only: a write would only hide the member behind a script property.
// Data: the V8Class.
void GetOtherCase(v8::Local<v8::Name> name, v8::PropertyCallbackInfo<v8::Value> const& info);
void QueryOtherCase(v8::Local<v8::Name> name, v8::PropertyCallbackInfo<v8::Integer> const& info);

// `new X(...)` and the older `X.New(...)`, through the class's "New" and
// "New2" methods. Data: the V8Class.
void Constructor(v8::FunctionCallbackInfo<v8::Value> const& info);
void ConstructorDeprecated(v8::FunctionCallbackInfo<v8::Value> const& info);

// The first overload that takes the call's arguments: at least as many
// parameters, an object wherever a pointer parameter is, and no object where
// a parameter takes none (IDispatch* and IUnknown* parameters take both).
// Null, with "No matching constructor found." thrown for `className`, when
// none does.
V8Constructor const* findMatchingConstructor(v8::FunctionCallbackInfo<v8::Value> const& info,
                                             SharedList<V8Constructor> const& constructors,
                                             std::string const& className);

// The most specific text there is for a failed Invoke: the object's own
// description, the system's message for the code, or the code itself.
void throwComError(v8::Isolate* isolate, HRESULT result, EXCEPINFO const& excepInfo);

} // namespace qor::format::engine::javascript::ComCallback
