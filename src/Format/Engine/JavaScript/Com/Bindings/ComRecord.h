#pragma once

// A COM record (a VT_RECORD VARIANT: a struct declared in a type library) as
// a script gets it. Records have no script form: the object holds a copy of
// the record and is opaque. Every use of it (reading, writing, listing or
// deleting a property, calling it) throws, naming the record's type; the one
// thing a script can do with it is hand it back to COM, which gets a copy of
// the record. A script cannot make one.

#include "Platform/Com.h"

#include <v8.h>

namespace qor::format::engine::javascript::ComRecord {

// The script object of `record` (VT_RECORD), holding a copy of it that the
// object registry lets go of with the object. Empty, with an exception
// thrown, when the record cannot be copied.
v8::MaybeLocal<v8::Object> toScript(v8::Isolate* isolate, VARIANT const& record);

// The record a script object holds, or null for any other object.
VARIANT const* recordOf(v8::Isolate* isolate, v8::Local<v8::Object> object);

// The callbacks of the record objects' template, for the snapshot's
// external references.
void Get(v8::Local<v8::Name> name, v8::PropertyCallbackInfo<v8::Value> const& info);
void Set(v8::Local<v8::Name> name, v8::Local<v8::Value> value, v8::PropertyCallbackInfo<v8::Value> const& info);
void Delete(v8::Local<v8::Name> name, v8::PropertyCallbackInfo<v8::Boolean> const& info);
void Keys(v8::PropertyCallbackInfo<v8::Array> const& info);
void GetIndex(std::uint32_t index, v8::PropertyCallbackInfo<v8::Value> const& info);
void SetIndex(std::uint32_t index, v8::Local<v8::Value> value, v8::PropertyCallbackInfo<v8::Value> const& info);
void DeleteIndex(std::uint32_t index, v8::PropertyCallbackInfo<v8::Boolean> const& info);
void Call(v8::FunctionCallbackInfo<v8::Value> const& info);

} // namespace qor::format::engine::javascript::ComRecord
