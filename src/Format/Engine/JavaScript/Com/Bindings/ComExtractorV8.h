#pragma once

// COM classes as V8 sees them: the reduction of a class record to its
// constructors, methods and properties, and the templates built from it.

#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"
#include "Format/Engine/JavaScript/Com/Export.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComClass.h"
#include "Platform/Windows/Com/ComClasses.h"

#include <v8.h>

#include <memory_resource>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {

using platform::windows::com::ComClasses;

// The global objects that addClassTemplates leaves to be made once the
// context exists: class name and template.
using PendingGlobalObjects = std::vector<std::pair<std::string, v8::Local<v8::ObjectTemplate>>>;

// True for the IUnknown, IDispatch and IDispatchEx plumbing that type
// libraries list among a class's members.
bool isDispatchMemberName(ComFunction const& function);

// The constructors, methods and properties of a class; `registry`, when
// given, supplies the host's entry of the same name.
V8Class convertComToV8(ComClass const& comClass, ComClasses const* registry);
// Keyed by class identifier; the first class of an identifier wins. The
// lists of records are made in `tables` when given, which must then outlive
// them.
QOR_JAVASCRIPT_COM_API ClassMap convertComToV8(std::vector<ComClass> const& classes, ComClasses const* registry,
                                               std::pmr::memory_resource* tables = nullptr);

// Puts a constructor, or for a global-object class a global object, of every
// class on the global template; the global objects themselves can only be
// made in the context, so their templates are handed back. A constructor
// and its members are built when a script first reads its name.
PendingGlobalObjects addClassTemplates(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global, ClassMap& classes);

// The constructor of a class that has one, built on first need with the
// template of its wrappers.
v8::Local<v8::FunctionTemplate> constructorTemplateOf(v8::Isolate* isolate, V8Class& v8Class);
// True for a collection, which scripts walk with for...of: a class with a
// property or method of DISPID_NEWENUM.
QOR_JAVASCRIPT_COM_API bool hasNewEnum(V8Class const& v8Class);
// True for the class names that get no global: "Attribute" and "Enumerator".
QOR_JAVASCRIPT_COM_API bool isReservedName(std::string_view name);
// True for the classes that have a constructor on the global template.
bool hasConstructor(V8Class const& v8Class);
// True for the classes scripts get one global object of.
QOR_JAVASCRIPT_COM_API bool isGlobalObjectClass(V8Class const& v8Class);

// The getter of a constructor's global property: the constructor, built when a
// script first reads the name. A host binds hundreds of classes, and most
// scripts touch a few of them.
void lazyConstructor(v8::Local<v8::Name> name, v8::PropertyCallbackInfo<v8::Value> const& info);

// A template for wrappers of a class first met at run time, stored in the
// class's instanceTemplate. A collection (a property with DISPID_NEWENUM)
// also answers numeric index reads.
v8::Local<v8::ObjectTemplate> buildInstanceTemplate(v8::Isolate* isolate, V8Class& v8Class);

} // namespace qor::format::engine::javascript
