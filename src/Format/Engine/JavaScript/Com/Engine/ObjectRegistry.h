#pragma once

#include "Format/Engine/JavaScript/Com/Events/EventInterface.h"
#include "Id/Guid.h"
#include "Platform/Com.h"

#include <v8.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {

class EventConnection;
class IEnumerator;

// The COM objects that script wrappers keep alive in one isolate, and the
// script values that COM objects keep alive. It is the only code that makes
// wrapper handles weak, releases wrapped objects and tells V8 what they
// cost, and the one place where the library's own COM objects (script
// arrays, functions and objects handed to COM, event sinks) and the event
// connections of wrapped objects are let go of at teardown.
//
// A wrapper is a script object with one internal field holding its
// IDispatch*; it owns one reference on it. There is one wrapper per pointer.
struct ObjectRegistry {
    ObjectRegistry();
    ObjectRegistry(ObjectRegistry const&) = delete;
    ObjectRegistry& operator=(ObjectRegistry const&) = delete;
    ~ObjectRegistry();

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
    // Enumerators, disconnects every event connection and detaches the
    // library's own COM objects from the isolate, while it is still entered.
    // Nothing is released twice: collected wrappers have already left.
    void teardown(v8::Isolate* isolate);

    // The event connection of a wrapped object, or null.
    EventConnection* eventsOf(IDispatch* dispatch) const;
    EventConnection& addEvents(IDispatch* dispatch, std::unique_ptr<EventConnection> connection);
    // Disconnects the object's events now.
    void removeEvents(IDispatch* dispatch);
    // For the weak callback of a collected wrapper, which may not call into
    // COM: the object's connection stops delivering at once and is
    // disconnected later. True when it had one.
    bool retireEvents(IDispatch* dispatch);
    // Disconnects what collected wrappers left; called where COM may be
    // called into.
    void disconnectRetired();
    // Stops and disconnects every connection, as the engine goes.
    void disconnectAllEvents();

    // The global objects of global-object classes, whose COM object comes
    // from the engine's shared instances on first use.
    void addGlobalObject(v8::Isolate* isolate, std::string className, v8::Local<v8::Object> object);
    // The class of a global object, or null for any other object.
    std::string const* globalObjectClass(v8::Isolate* isolate, v8::Local<v8::Object> object) const;

    // What `object` is to the registry, told without calling into COM: the
    // wrapper of a tracked COM object, a global object, a script Enumerator,
    // or none of them.
    enum class Held { none, wrapper, globalObject, enumerator };
    Held heldAs(v8::Isolate* isolate, v8::Local<v8::Object> object) const;

    std::unordered_map<IDispatch*, v8::Global<v8::Object>> v8ComObjectList;
    std::unordered_set<Guid, Guid::hash> activeXClassGuids;
    std::unordered_map<IEnumerator*, v8::Global<v8::Object>> enumeratorObjectList;
    // What interfaceOf answered, by wrapped object: null where the object
    // did not answer the interface.
    std::unordered_map<IDispatch*, std::vector<std::pair<Guid, IDispatch*>>> otherInterfaces;
    // interfaceOf's last answer: a script calling one object's members in a
    // loop asks the same question on every call.
    struct InterfaceAnswer {
        IDispatch* dispatch = nullptr;
        Guid iid{};
        IDispatch* pointer = nullptr;
    } lastInterface;
    std::vector<std::pair<std::string, v8::Global<v8::Object>>> globalObjects;
    // The library's own COM objects made for this engine and still alive:
    // COM clients may keep them past the engine, which detaches them first.
    std::unordered_set<IUnknown*> libraryObjects;
    std::unordered_map<IDispatch*, std::unique_ptr<EventConnection>> eventConnections;
    std::vector<std::unique_ptr<EventConnection>> retiredConnections;
    EventInterface::Cache eventInterfaces;
    // The functions that COM objects' prototypes get for their events.
    v8::Global<v8::Function> addEventListener;
    v8::Global<v8::Function> removeEventListener;
    // The script's own Date functions, taken before scripts could change them.
    v8::Global<v8::Function> dateMaker;
    v8::Global<v8::Function> dateReader;
    // The classes of script Enumerators and of their iterators.
    v8::Global<v8::FunctionTemplate> enumeratorClass;
    v8::Global<v8::FunctionTemplate> iteratorClass;
    // The keys of an iterator's step results, made once rather than per step.
    v8::Global<v8::String> iteratorValueKey;
    v8::Global<v8::String> iteratorDoneKey;
};

} // namespace qor::format::engine::javascript
