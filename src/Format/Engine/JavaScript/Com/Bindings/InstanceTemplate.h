#pragma once

// Script objects of COM classes met only at run time: created by ProgID, or
// returned from a COM call, and bound from the object's own type information.
// The functions keep the namespace of ActiveXObject, which first needed them;
// the converter builds its wrappers of returned objects with them too.

#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"
#include "Id/Guid.h"
#include "Platform/Com.h"

#include <v8.h>

namespace qor::format::engine::javascript::ActiveXObject {

// Binds the class `classGuid` of `object` from the type information the
// object reports, unless the map holds it already, and builds its wrapper
// template. A class that cannot be read leaves no entry.
void Register_InstanceObject(v8::Isolate* isolate, ClassMap& classes, Guid const& classGuid, IDispatch* object);

// The template for wrappers of `object`, whose class is `classGuid`, built on
// first need. An object without type information still gets a wrapper,
// without members, so that it can be handed back to COM.
v8::Local<v8::ObjectTemplate> instanceTemplateOf(v8::Isolate* isolate, Guid const& classGuid, IDispatch* object);

} // namespace qor::format::engine::javascript::ActiveXObject
