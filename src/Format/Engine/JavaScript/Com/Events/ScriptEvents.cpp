#include "Format/Engine/JavaScript/Com/Events/ScriptEvents.h"

#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Events/CV8EventSink.h"
#include "Format/Engine/JavaScript/Com/Events/EventConnection.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/ErrorCode.h"

#include <fmt/format.h>

#include <optional>
#include <string>
#include <string_view>

namespace qor::format::engine::javascript::ScriptEvents {
namespace {

using platform::windows::ErrorCode;
using platform::windows::com::ComRef;

// The COM object behind the wrapper `value` (borrowed) that `function` is
// asked to work on, or none with the reason thrown.
IDispatch* comObjectOf(v8::Isolate* isolate, v8::Local<v8::Value> value, std::string_view function,
                       std::string_view what) {
    if (!IsolateData::engine(isolate).getOptions().events) {
        throwFailure(isolate, fmt::format("{}: COM events are off for this engine", function));
        return nullptr;
    }
    auto dispatch = ComHelper::wrappedDispatch(isolate, value);
    if (dispatch)
        return *dispatch;
    throwFailure(isolate, fmt::format("{}: {} is not a COM object", function, what), DISP_E_TYPEMISMATCH,
                 ErrorKind::typeError);
    return nullptr;
}

std::optional<std::string> textOf(v8::Isolate* isolate, v8::Local<v8::Value> value) {
    v8::Local<v8::String> text;
    if (!value->ToString(isolate->GetCurrentContext()).ToLocal(&text))
        return std::nullopt;
    return V8Helper::qor_string(text, isolate);
}

// The sink of the object's events, connected now if they were not; null
// with the reason thrown.
CV8EventSink* connectedSink(v8::Isolate* isolate, IDispatch* dispatch, v8::Local<v8::Object> wrapper,
                            std::string_view function) {
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    registry.disconnectRetired();
    if (EventConnection* connection = registry.eventsOf(dispatch))
        return &connection->sink();
    auto events =
        EventInterface::of(dispatch, IsolateData::engine(isolate).getTypeLibrary(), registry.eventInterfaces);
    if (!events) {
        throwFailure(isolate, fmt::format("{}: the object has no events", function), CONNECT_E_NOCONNECTION);
        return nullptr;
    }
    auto* sink = new CV8EventSink(isolate, std::move(events), wrapper);
    sink->AddRef();
    ComRef<CV8EventSink> const held(sink);
    auto connection = EventConnection::connect(dispatch, sink);
    if (!connection) {
        throwFailure(isolate,
                     fmt::format("{}: the object's events cannot be connected: {}", function,
                                 ErrorCode::sMessage(static_cast<std::uint32_t>(connection.error()))),
                     connection.error());
        return nullptr;
    }
    return &registry.addEvents(dispatch, std::move(*connection)).sink();
}

// Disconnects the object's events once nothing listens.
void disconnectIfIdle(v8::Isolate* isolate, IDispatch* dispatch) {
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    if (EventConnection* connection = registry.eventsOf(dispatch); connection != nullptr && connection->sink().idle())
        registry.removeEvents(dispatch);
}

void addEventListener(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    constexpr std::string_view function = "addEventListener";
    IDispatch* dispatch = comObjectOf(isolate, info.This(), function, "its object");
    if (dispatch == nullptr)
        return;
    if (info.Length() < 2 || !info[1]->IsFunction())
        return throwFailure(isolate, "addEventListener: the listener is not a function", DISP_E_TYPEMISMATCH,
                            ErrorKind::typeError);
    auto const event = textOf(isolate, info[0]);
    if (!event)
        return;
    CV8EventSink* sink = connectedSink(isolate, dispatch, info.This(), function);
    if (sink == nullptr)
        return;
    auto const dispid = sink->events().dispidOf(*event);
    if (!dispid) {
        throwFailure(isolate, fmt::format("addEventListener: {} has no event \"{}\"", sink->events().name, *event),
                     DISP_E_MEMBERNOTFOUND);
        return disconnectIfIdle(isolate, dispatch);
    }
    sink->addListener(*dispid, info[1].As<v8::Function>());
}

void removeEventListener(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    constexpr std::string_view function = "removeEventListener";
    IDispatch* dispatch = comObjectOf(isolate, info.This(), function, "its object");
    if (dispatch == nullptr)
        return;
    EventConnection* connection = IsolateData::objectRegistry(isolate).eventsOf(dispatch);
    if (connection == nullptr || info.Length() < 2 || !info[1]->IsFunction())
        return;
    auto const event = textOf(isolate, info[0]);
    if (!event)
        return;
    if (auto const dispid = connection->sink().events().dispidOf(*event))
        connection->sink().removeListener(*dispid, info[1].As<v8::Function>());
    disconnectIfIdle(isolate, dispatch);
}

void connectObject(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    constexpr std::string_view function = "ConnectObject";
    IDispatch* dispatch = comObjectOf(isolate, info[0], function, "the first argument");
    if (dispatch == nullptr)
        return;
    if (info.Length() < 2)
        return throwFailure(isolate, "ConnectObject: the prefix of the handlers' names is missing",
                            DISP_E_PARAMNOTOPTIONAL, ErrorKind::typeError);
    auto prefix = textOf(isolate, info[1]);
    if (!prefix)
        return;
    if (CV8EventSink* sink = connectedSink(isolate, dispatch, info[0].As<v8::Object>(), function))
        sink->addPrefix(std::move(*prefix));
}

void disconnectObject(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    constexpr std::string_view function = "DisconnectObject";
    IDispatch* dispatch = comObjectOf(isolate, info[0], function, "the first argument");
    if (dispatch == nullptr)
        return;
    if (EventConnection* connection = IsolateData::objectRegistry(isolate).eventsOf(dispatch))
        connection->sink().removePrefixes();
    disconnectIfIdle(isolate, dispatch);
}

v8::Local<v8::Function> functionOf(v8::Isolate* isolate, v8::Global<v8::Function>& cached,
                                   v8::FunctionCallback callback) {
    if (cached.IsEmpty()) {
        v8::Local<v8::Function> made =
            v8::Function::New(isolate->GetCurrentContext(), callback, {}, 2, v8::ConstructorBehavior::kThrow)
                .ToLocalChecked();
        cached.Reset(isolate, made);
    }
    return cached.Get(isolate);
}

void defineHidden(v8::Local<v8::Context> context, v8::Local<v8::Object> target, std::string_view name,
                  v8::Local<v8::Value> value) {
    target->DefineOwnProperty(context, V8Helper::v8_string(context->GetIsolate(), name), value, v8::DontEnum)
        .FromMaybe(false);
}

} // namespace

void equip(v8::Isolate* isolate, v8::Local<v8::Object> wrapper) {
    v8::Local<v8::Value> prototype = wrapper->GetPrototype();
    if (!prototype->IsObject())
        return;
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    v8::Local<v8::Object> target = prototype.As<v8::Object>();
    if (target->HasOwnProperty(context, V8Helper::v8_string(isolate, "addEventListener")).FromMaybe(true))
        return;
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    defineHidden(context, target, "addEventListener", functionOf(isolate, registry.addEventListener, addEventListener));
    defineHidden(context, target, "removeEventListener",
                 functionOf(isolate, registry.removeEventListener, removeEventListener));
}

void install(v8::Isolate* isolate, v8::Local<v8::Context> context) {
    v8::Local<v8::Object> globalObject = context->Global();
    struct Named {
        std::string_view name;
        v8::FunctionCallback callback;
    };
    for (Named const& global : {Named{"ConnectObject", connectObject}, Named{"DisconnectObject", disconnectObject}}) {
        v8::Local<v8::Function> function =
            v8::Function::New(context, global.callback, {}, 2, v8::ConstructorBehavior::kThrow).ToLocalChecked();
        defineHidden(context, globalObject, global.name, function);
    }
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    for (auto const& [name, object] : registry.globalObjects)
        equip(isolate, object.Get(isolate));
    for (auto const& [dispatch, wrapper] : registry.v8ComObjectList)
        if (!wrapper.IsEmpty())
            equip(isolate, wrapper.Get(isolate));
}

} // namespace qor::format::engine::javascript::ScriptEvents
