#pragma once

#include "Format/Engine/JavaScript/Com/Events/EventInterface.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/IsolateBound.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/ScriptHandle.h"
#include "Platform/Windows/Com/IUnknownImpl.h"

#include <v8.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {

// The engine's end of one COM object's events: an IDispatch of the object's
// event interface, advised on its connection point. An event's DISPID names
// the event through the interface's type information; the sink calls the
// script functions listening to it (addEventListener) and the global
// functions bound by name (ConnectObject), with the event's arguments
// converted, as the host's calls of script functions are made.
//
// The sink holds its listeners strongly and its object's wrapper weakly:
// once the wrapper is collected the sink is closed, and it delivers nothing
// more.
class CV8EventSink : public platform::windows::com::IUnknownImpl<IDispatch, &IID_IDispatch>, public IsolateBound {
public:
    // Count 0: whoever makes it takes the first reference. `target` is the
    // wrapper of the object, the listeners' `this`.
    CV8EventSink(v8::Isolate* isolate, std::shared_ptr<EventInterface const> events, v8::Local<v8::Object> target);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** result) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    EventInterface const& events() const { return *eventInterface; }

    // A listener is added once, however often it is given.
    void addListener(DISPID event, v8::Local<v8::Function> listener);
    void removeListener(DISPID event, v8::Local<v8::Function> listener);
    // ConnectObject: the event "Name" calls the global function prefix + Name.
    void addPrefix(std::string prefix);
    void removePrefixes() {
        prefixes.clear();
        eventNames.clear();
    }
    // Nothing listens: the connection may go.
    bool idle() const { return listeners.empty() && prefixes.empty(); }

    // From now on events are ignored; touches no handle, so that a weak
    // callback may call it.
    void close() { closed = true; }
    void detachFromIsolate() override;

private:
    struct Listener {
        DISPID event;
        v8::Global<v8::Function> function;
    };

    // What delivering an event needs of its name, made at its first
    // delivery: the name, the name in messages ("Interface.Event"), and the
    // script strings of the global functions ConnectObject bound to it, one
    // per prefix.
    struct EventNames {
        std::string event;
        std::string qualified;
        std::vector<v8::Global<v8::String>> bound;
    };
    std::shared_ptr<EventNames const> namesOf(DISPID dispid);
    bool listening(DISPID event, v8::Local<v8::Function> function) const;
    HRESULT deliver(DISPID dispid, DISPPARAMS* params, VARIANT* result);

    std::shared_ptr<EventInterface const> eventInterface;
    ScriptHandle<v8::Object> target;
    std::vector<Listener> listeners;
    std::vector<std::string> prefixes;
    // By DISPID; made again when the prefixes change.
    std::unordered_map<DISPID, std::shared_ptr<EventNames const>> eventNames;
    bool closed = false;
};

} // namespace qor::format::engine::javascript
