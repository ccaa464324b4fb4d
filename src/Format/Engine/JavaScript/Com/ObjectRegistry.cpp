#include "Format/Engine/JavaScript/Com/ObjectRegistry.h"

#include "Format/Engine/JavaScript/Com/DispatchDeleter.h"
#include "Format/Engine/JavaScript/Com/Enumerator.h"

#include <algorithm>

namespace qor::format::engine::javascript {

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
    auto& answered = otherInterfaces[dispatch];
    for (auto const& [known, pointer] : answered)
        if (known == iid)
            return pointer != nullptr ? pointer : dispatch;
    IDispatch* pointer = nullptr;
    if (FAILED(dispatch->QueryInterface(iid.to<IID>(), reinterpret_cast<void**>(&pointer))))
        pointer = nullptr;
    answered.emplace_back(iid, pointer);
    return pointer != nullptr ? pointer : dispatch;
}

void ObjectRegistry::releaseInterfaces(IDispatch* dispatch) {
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

} // namespace qor::format::engine::javascript
