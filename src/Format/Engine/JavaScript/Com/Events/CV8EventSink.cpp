#include "Format/Engine/JavaScript/Com/Events/CV8EventSink.h"

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/ComRef.h"

#include <algorithm>

namespace qor::format::engine::javascript {

using platform::windows::com::ComRef;

CV8EventSink::CV8EventSink(v8::Isolate* isolate, std::shared_ptr<EventInterface const> events,
                           v8::Local<v8::Object> target)
    : IUnknownImpl(&IsolateData::engine(isolate)), eventInterface(std::move(events)), target(isolate, target) {
    // The object's wrapper may go while the object fires on; the sink is
    // closed then.
    this->target.value.SetWeak();
}

HRESULT CV8EventSink::QueryInterface(REFIID riid, void** ppv) {
    if (ppv != nullptr && (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, eventInterface->iid)))
        return handOutAs<IDispatch>(ppv);
    return IUnknownImpl::QueryInterface(riid, ppv);
}

HRESULT CV8EventSink::GetTypeInfoCount(UINT* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT CV8EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** result) {
    if (result == nullptr)
        return E_POINTER;
    eventInterface->typeInfo->AddRef();
    *result = eventInterface->typeInfo.get();
    return S_OK;
}

HRESULT CV8EventSink::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
    if (!IsEqualIID(riid, IID_NULL))
        return E_INVALIDARG;
    return eventInterface->typeInfo->GetIDsOfNames(names, count, dispids);
}

HRESULT CV8EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                             UINT*) {
    if (closed || target.isolate == nullptr)
        return S_OK;
    if (!target.onOwnThread())
        return RPC_E_WRONG_THREAD;
    // A listener may remove the last listener, and with it the connection
    // that holds the sink.
    AddRef();
    ComRef<CV8EventSink> const self(this);
    return deliver(dispid, params, result);
}

HRESULT CV8EventSink::deliver(DISPID dispid, DISPPARAMS* params, VARIANT* result) {
    return target.visit([&](v8::Local<v8::Context> context, v8::Local<v8::Object> object) {
        v8::Isolate* isolate = target.isolate;
        // Kept for the delivery: a listener may change the prefixes.
        std::shared_ptr<EventNames const> const names = namesOf(dispid);
        // Who listens when the event starts; one removed before its turn is
        // not called.
        std::vector<v8::Local<v8::Function>> called;
        for (Listener const& listener : listeners)
            if (listener.event == dispid)
                called.push_back(listener.function.Get(isolate));
        std::size_t const listenerCount = called.size();
        if (!names->bound.empty()) {
            // Looked up at each event: a function the script assigns again is
            // the one called.
            v8::TryCatch tryCatch(isolate);
            v8::Local<v8::Object> global = context->Global();
            for (v8::Global<v8::String> const& name : names->bound) {
                v8::Local<v8::Value> bound;
                if (global->Get(context, name.Get(isolate)).ToLocal(&bound) && bound->IsFunction())
                    called.push_back(bound.As<v8::Function>());
            }
        }
        if (called.empty())
            return S_OK;
        v8::Local<v8::Value> const receiver =
            object.IsEmpty() ? v8::Undefined(isolate).As<v8::Value>() : object.As<v8::Value>();
        std::size_t next = 0;
        IsolateData::engine(isolate).implementation().invokeScriptFunctions(
            names->qualified, params, result, [&]() -> std::optional<V8Engine::Callee> {
                while (!closed && next < called.size()) {
                    std::size_t const index = next++;
                    if (index >= listenerCount)
                        return V8Engine::Callee{v8::Undefined(isolate), called[index]};
                    if (listening(dispid, called[index]))
                        return V8Engine::Callee{receiver, called[index]};
                }
                return std::nullopt;
            });
        return S_OK;
    });
}

std::shared_ptr<CV8EventSink::EventNames const> CV8EventSink::namesOf(DISPID dispid) {
    if (auto found = eventNames.find(dispid); found != eventNames.end())
        return found->second;
    auto names = std::make_shared<EventNames>();
    names->event = eventInterface->nameOf(dispid);
    names->qualified = eventInterface->name + "." + names->event;
    if (!names->event.empty())
        for (std::string const& prefix : prefixes)
            names->bound.emplace_back(target.isolate, V8Helper::v8_string(target.isolate, prefix + names->event));
    eventNames.emplace(dispid, names);
    return names;
}

bool CV8EventSink::listening(DISPID event, v8::Local<v8::Function> function) const {
    return std::ranges::any_of(listeners, [&](Listener const& listener) {
        return listener.event == event && listener.function == function;
    });
}

void CV8EventSink::addListener(DISPID event, v8::Local<v8::Function> listener) {
    if (!listening(event, listener))
        listeners.push_back({event, v8::Global<v8::Function>(target.isolate, listener)});
}

void CV8EventSink::removeListener(DISPID event, v8::Local<v8::Function> listener) {
    auto const found = std::ranges::find_if(listeners, [&](Listener const& entry) {
        return entry.event == event && entry.function == listener;
    });
    if (found != listeners.end())
        listeners.erase(found);
}

void CV8EventSink::addPrefix(std::string prefix) {
    if (std::ranges::find(prefixes, prefix) != prefixes.end())
        return;
    prefixes.push_back(std::move(prefix));
    eventNames.clear();
}

void CV8EventSink::detachFromIsolate() {
    closed = true;
    listeners.clear();
    eventNames.clear();
    target.detach();
}

} // namespace qor::format::engine::javascript
