#pragma once

#include "Format/Engine/JavaScript/Com/Extraction/ComConstant.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComMembers.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComParameter.h"
#include "Format/Engine/JavaScript/Com/Extraction/SharedList.h"
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

// What a class's member records refer to: the records of the type
// information they were made from and the class's name. Never changes once
// made; every class holding the member records keeps it (V8Class::source).
struct V8ClassSource {
    std::string className;
    ComMembers members;
};

// The member records below refer to their members' records in the class's
// source rather than copying what those hold: a large library has tens of
// thousands of members, and a copy for each class that reaches them cost more
// than the records themselves.

// A member that scripts call as a function: a method, or a property get that
// takes arguments.
struct V8Function {
    // The member's record, and the source holding it.
    ComFunction const* member = nullptr;
    V8ClassSource const* source = nullptr;
    // INVOKE_FUNC, or INVOKE_PROPERTYGET for a get with arguments; passed to
    // Invoke as its flags.
    std::int32_t invokeKind = INVOKE_FUNC;
    // The interface the member is called through; nil for the object's
    // default IDispatch (ComMembers::Part::interfaceId).
    Guid interfaceId;

    std::string_view name() const { return member->name; }
    std::string_view className() const { return source->className; }
    ComParameters const& parameters() const { return member->parameters; }
    DISPID dispid() const { return member->memberId; }
    std::string_view returnType() const { return member->returnType; }
    VARTYPE returnVt() const { return member->returnVt; }
    // What a call gives (ComFunction::valueType and valueVt).
    std::string_view valueType() const { return member->valueType; }
    VARTYPE valueVt() const { return member->valueVt; }
};

// A property without arguments, reached through an accessor.
struct V8Property {
    // The accessor met first, which gives the name and the DISPID; the
    // source holding it.
    ComFunction const* member = nullptr;
    V8ClassSource const* source = nullptr;
    // The get without arguments; null without a getter.
    ComFunction const* getter = nullptr;
    // The put's one parameter, in its member's record; null without one.
    ComParameter const* putParameter = nullptr;
    // The interface the accessor met first is called through (nil for the
    // object's default IDispatch).
    Guid interfaceId;
    bool hasSetter = false;

    bool hasGetter() const { return getter != nullptr; }
    bool hasPutParameter() const { return putParameter != nullptr; }
    std::string_view name() const { return member->name; }
    std::string_view className() const { return source->className; }
    DISPID dispid() const { return member->memberId; }
    // What the getter gives (ComFunction::valueType and valueVt); empty and
    // VT_EMPTY without a getter.
    std::string_view valueType() const { return getter != nullptr ? std::string_view(getter->valueType) : std::string_view(); }
    VARTYPE valueVt() const { return getter != nullptr ? getter->valueVt : VARTYPE(VT_EMPTY); }
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
