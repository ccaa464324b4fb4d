#pragma once

#include "Id/Guid.h"
#include "Platform/Com.h"

#include <v8.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {

class IEnumerator;

// The COM objects that script wrappers keep alive in one isolate. It is the
// only code that makes wrapper handles weak, releases wrapped objects and
// tells V8 what they cost.
//
// A wrapper is a script object with one internal field holding its
// IDispatch*; it owns one reference on it. There is one wrapper per pointer.
struct ObjectRegistry {
    // What V8 is told each wrapped COM object or script Enumerator costs, so
    // that it collects often enough to give them back.
    static constexpr std::int64_t externalMemoryCharge = 10240;

    // Hands the caller's reference on `dispatch` to `wrapper` (a fresh object
    // of a wrapper template) and tracks it. When the pointer already has a
    // live wrapper, that one is returned instead and the caller's reference is
    // released, so a pointer keeps meaning one script object.
    v8::Local<v8::Object> adopt(v8::Isolate* isolate, v8::Local<v8::Object> wrapper, IDispatch* dispatch);

    // Puts the script Enumerator `object` in charge of `enumerator`, which it
    // deletes when collected.
    void adoptEnumerator(v8::Isolate* isolate, v8::Local<v8::Object> object, IEnumerator* enumerator);

    // The live wrapper of `dispatch`, or an empty handle.
    v8::Local<v8::Object> find(v8::Isolate* isolate, IDispatch* dispatch) const;

    // The wrapped object `dispatch` as its interface `iid`, asked for once and
    // kept, with a reference of its own, as long as the wrapper lives; the
    // object's own IDispatch when it does not answer that interface.
    IDispatch* interfaceOf(IDispatch* dispatch, Guid const& iid);
    // Gives back what interfaceOf kept for `dispatch`, whose wrapper is gone.
    void releaseInterfaces(IDispatch* dispatch);

    // Releases what the live wrappers hold and forgets them and the script
    // Enumerators, while the isolate is still entered. Nothing is released
    // twice: collected wrappers have already left.
    void teardown(v8::Isolate* isolate);

    // The global objects of global-object classes, whose COM object comes
    // from the engine's shared instances on first use.
    void addGlobalObject(v8::Isolate* isolate, std::string className, v8::Local<v8::Object> object);
    // The class of a global object, or null for any other object.
    std::string const* globalObjectClass(v8::Isolate* isolate, v8::Local<v8::Object> object) const;

    std::unordered_map<IDispatch*, v8::Global<v8::Object>> v8ComObjectList;
    std::unordered_set<Guid, Guid::hash> activeXClassGuids;
    std::unordered_map<IEnumerator*, v8::Global<v8::Object>> enumeratorObjectList;
    // What interfaceOf answered, by wrapped object: null where the object
    // did not answer the interface.
    std::unordered_map<IDispatch*, std::vector<std::pair<Guid, IDispatch*>>> otherInterfaces;
    std::vector<std::pair<std::string, v8::Global<v8::Object>>> globalObjects;
    // The classes of script Enumerators and of their iterators.
    v8::Global<v8::FunctionTemplate> enumeratorClass;
    v8::Global<v8::FunctionTemplate> iteratorClass;
    // The keys of an iterator's step results, made once rather than per step.
    v8::Global<v8::String> iteratorValueKey;
    v8::Global<v8::String> iteratorDoneKey;
};

} // namespace qor::format::engine::javascript
