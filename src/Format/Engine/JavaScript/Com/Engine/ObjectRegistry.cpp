#include "Format/Engine/JavaScript/Com/Engine/ObjectRegistry.h"

#include "Format/Engine/JavaScript/Com/Bindings/Enumerator.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/DispatchDeleter.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Events/EventConnection.h"
#include "Format/Engine/JavaScript/Com/Events/ScriptEvents.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/IsolateBound.h"
#include "Platform/Windows/Com/UnknownCreationHelperInterface.h"

#include <algorithm>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::IID_UnknownCreationHelper;
using platform::windows::com::UnknownCreationHelperInterface;

// COM clients may keep the library's objects past the engine: they let go of
// the isolate and forget their creator, and answer without either.
void detach(std::unordered_set<IUnknown*> objects) {
    for (IUnknown* object : objects) {
        void* helper = nullptr;
        if (FAILED(object->QueryInterface(IID_UnknownCreationHelper, &helper)) || helper == nullptr)
            continue;
        auto* link = static_cast<UnknownCreationHelperInterface*>(helper);
        if (auto* bound = dynamic_cast<IsolateBound*>(link))
            bound->detachFromIsolate();
        link->clearCreator();
    }
}

} // namespace

ObjectRegistry::ObjectRegistry() = default;
ObjectRegistry::~ObjectRegistry() = default;

v8::Local<v8::Object> ObjectRegistry::adopt(v8::Isolate* isolate, v8::Local<v8::Object> wrapper, IDispatch* dispatch) {
    if (v8::Local<v8::Object> existing = find(isolate, dispatch); !existing.IsEmpty()) {
        dispatch->Release();
        return existing;
    }
    wrapper->SetAlignedPointerInInternalField(0, dispatch);
    isolate->AdjustAmountOfExternalAllocatedMemory(externalMemoryCharge);
    auto [entry, inserted] = v8ComObjectList.try_emplace(dispatch, isolate, wrapper);
    if (!inserted)
        entry->second.Reset(isolate, wrapper);
    entry->second.SetWeak(static_cast<void*>(dispatch), DispatchDeleter, v8::WeakCallbackType::kParameter);
    disconnectRetired();
    if (IsolateData::engine(isolate).getOptions().events)
        ScriptEvents::equip(isolate, wrapper);
    return wrapper;
}

void ObjectRegistry::adoptEnumerator(v8::Isolate* isolate, v8::Local<v8::Object> object, IEnumerator* enumerator) {
    isolate->AdjustAmountOfExternalAllocatedMemory(externalMemoryCharge);
    auto [entry, inserted] = enumeratorObjectList.try_emplace(enumerator, isolate, object);
    entry->second.SetWeak(static_cast<void*>(enumerator), Destructor, v8::WeakCallbackType::kParameter);
    object->SetAlignedPointerInInternalField(0, enumerator);
}

v8::Local<v8::Object> ObjectRegistry::find(v8::Isolate* isolate, IDispatch* dispatch) const {
    auto const found = v8ComObjectList.find(dispatch);
    if (found == v8ComObjectList.end())
        return {};
    return found->second.Get(isolate);
}

IDispatch* ObjectRegistry::interfaceOf(IDispatch* dispatch, Guid const& iid) {
    if (lastInterface.dispatch == dispatch && lastInterface.iid == iid)
        return lastInterface.pointer;
    auto& answered = otherInterfaces[dispatch];
    auto known = std::ranges::find(answered, iid, &std::pair<Guid, IDispatch*>::first);
    if (known == answered.end()) {
        IDispatch* pointer = nullptr;
        if (FAILED(dispatch->QueryInterface(iid.to<IID>(), reinterpret_cast<void**>(&pointer))))
            pointer = nullptr;
        known = answered.emplace(answered.end(), iid, pointer);
    }
    lastInterface = {dispatch, iid, known->second != nullptr ? known->second : dispatch};
    return lastInterface.pointer;
}

void ObjectRegistry::releaseInterfaces(IDispatch* dispatch) {
    if (lastInterface.dispatch == dispatch)
        lastInterface = {};
    auto const found = otherInterfaces.find(dispatch);
    if (found == otherInterfaces.end())
        return;
    for (auto const& [iid, pointer] : found->second)
        if (pointer != nullptr)
            pointer->Release();
    otherInterfaces.erase(found);
}

void ObjectRegistry::teardown(v8::Isolate* isolate) {
    v8::HandleScope handleScope(isolate);
    disconnectAllEvents();
    for (auto& [dispatch, handle] : v8ComObjectList) {
        if (handle.IsEmpty() || !handle.IsWeak())
            continue;
        // The field, not the key: it is what the wrapper owns.
        v8::Local<v8::Object> wrapper = handle.Get(isolate);
        if (auto* held = static_cast<IDispatch*>(wrapper->GetAlignedPointerFromInternalField(0)))
            held->Release();
    }
    v8ComObjectList.clear();
    while (!otherInterfaces.empty())
        releaseInterfaces(otherInterfaces.begin()->first);
    for (auto& [enumerator, handle] : enumeratorObjectList)
        if (!handle.IsEmpty())
            delete enumerator;
    enumeratorObjectList.clear();
    globalObjects.clear();
    detach(std::exchange(libraryObjects, {}));
    eventInterfaces.clear();
    addEventListener.Reset();
    removeEventListener.Reset();
    dateMaker.Reset();
    dateReader.Reset();
    enumeratorClass.Reset();
    iteratorClass.Reset();
    iteratorValueKey.Reset();
    iteratorDoneKey.Reset();
}

void ObjectRegistry::addGlobalObject(v8::Isolate* isolate, std::string className, v8::Local<v8::Object> object) {
    globalObjects.emplace_back(std::move(className), v8::Global<v8::Object>(isolate, object));
}

std::string const* ObjectRegistry::globalObjectClass(v8::Isolate* isolate, v8::Local<v8::Object> object) const {
    auto const found = std::ranges::find_if(globalObjects, [&](auto const& entry) { return entry.second == object; });
    return found == globalObjects.end() ? nullptr : &found->first;
}

ObjectRegistry::Held ObjectRegistry::heldAs(v8::Isolate* isolate, v8::Local<v8::Object> object) const {
    if (object->InternalFieldCount() != 1)
        return Held::none;
    // Only compared: the field of an object of another template may hold
    // anything, and no key of the lists is a value other than a pointer.
    void* pointer = object->GetAlignedPointerFromInternalField(0);
    auto const enumerator = enumeratorObjectList.find(static_cast<IEnumerator*>(pointer));
    if (enumerator != enumeratorObjectList.end() && enumerator->second == object)
        return Held::enumerator;
    if (pointer != nullptr && find(isolate, static_cast<IDispatch*>(pointer)) == object)
        return Held::wrapper;
    return globalObjectClass(isolate, object) != nullptr ? Held::globalObject : Held::none;
}

EventConnection* ObjectRegistry::eventsOf(IDispatch* dispatch) const {
    auto const found = eventConnections.find(dispatch);
    return found == eventConnections.end() ? nullptr : found->second.get();
}

EventConnection& ObjectRegistry::addEvents(IDispatch* dispatch, std::unique_ptr<EventConnection> connection) {
    return *(eventConnections[dispatch] = std::move(connection));
}

void ObjectRegistry::removeEvents(IDispatch* dispatch) {
    auto const found = eventConnections.find(dispatch);
    if (found == eventConnections.end())
        return;
    // Unadvised once it has left the map: the sink's release may call back.
    std::unique_ptr<EventConnection> const connection = std::move(found->second);
    eventConnections.erase(found);
}

bool ObjectRegistry::retireEvents(IDispatch* dispatch) {
    auto const found = eventConnections.find(dispatch);
    if (found == eventConnections.end())
        return false;
    found->second->sink().close();
    retiredConnections.push_back(std::move(found->second));
    eventConnections.erase(found);
    return true;
}

void ObjectRegistry::disconnectRetired() {
    while (!retiredConnections.empty())
        std::exchange(retiredConnections, {}).clear();
}

void ObjectRegistry::disconnectAllEvents() {
    for (auto const& [dispatch, connection] : eventConnections)
        connection->sink().close();
    for (auto const& connection : retiredConnections)
        connection->sink().close();
    while (!eventConnections.empty())
        std::exchange(eventConnections, {}).clear();
    disconnectRetired();
}

} // namespace qor::format::engine::javascript
