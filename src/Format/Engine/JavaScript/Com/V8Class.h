#pragma once

#include "Format/Engine/JavaScript/Com/ComConstant.h"
#include "Format/Engine/JavaScript/Com/ComMembers.h"
#include "Format/Engine/JavaScript/Com/ComParameter.h"
#include "Format/Engine/JavaScript/Com/SharedList.h"
#include "Id/Guid.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/ComClassEntry.h"

#include <v8.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qor::format::engine::javascript {

// One "New" or "New2" method of a class: an overload of its script constructor.
struct V8Constructor {
    ComParameters parameters;
    DISPID dispid = DISPID_UNKNOWN;
};

// Names and type names in the member records below view the type
// information's records of the class (V8Class::source), which every class
// holding the records keeps: a large library has tens of thousands of members,
// and a copy of each text for each class that reaches it cost more than the
// records themselves.

// A member that scripts call as a function: a method, or a property get that
// takes arguments.
struct V8Function {
    std::string_view name;
    std::string_view className;
    // INVOKE_FUNC, or INVOKE_PROPERTYGET for a get with arguments; passed to
    // Invoke as its flags.
    std::int32_t invokeKind = INVOKE_FUNC;
    ComParameters parameters;
    DISPID dispid = DISPID_UNKNOWN;
    std::string_view returnType;
    VARTYPE returnVt = VT_EMPTY;
    // The interface the member is called through; nil for the object's
    // default IDispatch (ComMembers::Part::interfaceId).
    Guid interfaceId;
    // What a call gives (ComFunction::valueType and valueVt).
    std::string_view valueType;
    VARTYPE valueVt = VT_EMPTY;
};

// A property without arguments, reached through an accessor.
struct V8Property {
    std::string_view name;
    std::string_view className;
    bool hasGetter = false;
    bool hasSetter = false;
    // The put's one parameter, in its member's record; null without one.
    ComParameter const* putParameter = nullptr;
    bool hasPutParameter = false;
    // Of whichever accessor was met first, as is the interface it is called
    // through (nil for the object's default IDispatch).
    DISPID dispid = DISPID_UNKNOWN;
    Guid interfaceId;
    // What the getter gives (ComFunction::valueType and valueVt); empty and
    // VT_EMPTY without a getter.
    std::string_view valueType;
    VARTYPE valueVt = VT_EMPTY;
};

// What a class's member records view: the records of the type information
// they were made from and the class's name. Never changes once made.
struct V8ClassSource {
    std::string className;
    ComMembers members;
};

// The binding of one COM class to scripts. Templates and callbacks point at
// its member records, which never change once made; copies share them.
//
// Every engine takes its own copy of the process-wide map. A copy leaves the
// templates behind: templates belong to one isolate. An engine builds a
// class's templates when a script first needs them.
struct V8Class {
    using ClassEntry = platform::windows::com::ComClassEntry;

    V8Class() = default;
    V8Class(V8Class const& other);
    V8Class& operator=(V8Class const& other);
    V8Class(V8Class&&) noexcept = default;
    V8Class& operator=(V8Class&&) noexcept = default;

    std::string name;
    // The key of the class in its map: every engine's copy finds its own
    // record by it.
    Guid guid;
    // Kept for the member records; shared by the copies as they are.
    std::shared_ptr<V8ClassSource const> source;
    SharedList<V8Constructor> constructors;
    // The host's registry entry of the same name; null when the host does not
    // create objects of this class itself.
    ClassEntry const* hostClass = nullptr;
    SharedList<V8Function> functions;
    SharedList<V8Property> properties;
    // Read-only properties of the constructor.
    SharedList<ComConstant> constants;
    // Set once the class's constructor template exists.
    bool registered = false;
    v8::Global<v8::ObjectTemplate> instanceTemplate;
    v8::Global<v8::FunctionTemplate> constructorTemplate;
};

// The classes an engine binds, by the identifier of their type.
using ClassMap = std::unordered_map<Guid, V8Class, Guid::hash>;

} // namespace qor::format::engine::javascript
