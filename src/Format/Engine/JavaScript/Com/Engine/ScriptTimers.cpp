#include "Format/Engine/JavaScript/Com/Engine/ScriptTimers.h"

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/V8Error.h"
#include "Format/Engine/JavaScript/V8Helper.h"

#include <fmt/format.h>

#include <string_view>

namespace qor::format::engine::javascript::ScriptTimers {
namespace {

enum class Kind { timeout, interval };

TimerQueue& timersOf(v8::Isolate* isolate) {
    return IsolateData::engine(isolate).implementation().timerQueue();
}

// Standard functions fail as the standard ones do: with a TypeError.
bool requireFunction(v8::Isolate* isolate, v8::Local<v8::Value> value, std::string_view function) {
    if (value->IsFunction())
        return true;
    isolate->ThrowException(v8::Exception::TypeError(
        V8Helper::v8_string(isolate, fmt::format("{}: the callback is not a function", function))));
    return false;
}

template <Kind kind>
void setTimer(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    constexpr std::string_view name = kind == Kind::timeout ? "setTimeout" : "setInterval";
    if (!requireFunction(isolate, info[0], name))
        return;
    double milliseconds = 0;
    if (info.Length() > 1 && !info[1]->NumberValue(isolate->GetCurrentContext()).To(&milliseconds))
        return;
    TimerQueue& timers = timersOf(isolate);
    unsigned const nesting = timers.currentNesting + 1;
    auto const delay = TimerQueue::clampedDelay(milliseconds, nesting);
    auto const [id, timer] = timers.add(delay, TimerQueue::Clock::now());
    timer.callback.Reset(isolate, info[0].As<v8::Function>());
    for (int i = 2; i < info.Length(); ++i)
        timer.arguments.emplace_back(isolate, info[i]);
    timer.nesting = nesting;
    if (kind == Kind::interval)
        timer.repeat = delay;
    info.GetReturnValue().Set(static_cast<double>(id));
}

// clearTimeout and clearInterval are one: each clears either kind, and
// ignores what is no timer's id, as browsers do.
void clearTimer(v8::FunctionCallbackInfo<v8::Value> const& info) {
    if (info.Length() < 1 || !info[0]->IsNumber())
        return;
    double const id = info[0].As<v8::Number>()->Value();
    if (id >= 1 && id <= 9007199254740991.0 && id == static_cast<double>(static_cast<TimerQueue::Id>(id)))
        timersOf(info.GetIsolate()).clear(static_cast<TimerQueue::Id>(id));
}

// A microtask's exception is the engine's pending error: V8 would drop it.
void runMicrotask(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    v8::TryCatch tryCatch(isolate);
    tryCatch.SetVerbose(true);
    static_cast<void>(info.Data().As<v8::Function>()->Call(context, v8::Undefined(isolate), 0, nullptr).IsEmpty());
    if (tryCatch.HasTerminated()) {
        tryCatch.ReThrow();
        return;
    }
    if (tryCatch.HasCaught())
        IsolateData::engine(isolate).implementation().recordError(
            V8Error::get(Error::Type::Exception, isolate, tryCatch));
}

void queueMicrotask(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    if (!requireFunction(isolate, info[0], "queueMicrotask"))
        return;
    v8::Local<v8::Function> task;
    if (v8::Function::New(isolate->GetCurrentContext(), runMicrotask, info[0], 0, v8::ConstructorBehavior::kThrow)
            .ToLocal(&task))
        isolate->EnqueueMicrotask(task);
}

void setFunction(v8::Isolate* isolate, v8::Local<v8::Context> context, std::string_view name,
                 v8::FunctionCallback callback, int length) {
    v8::Local<v8::Function> function;
    if (!v8::Function::New(context, callback, v8::Local<v8::Value>(), length, v8::ConstructorBehavior::kThrow)
             .ToLocal(&function))
        return;
    v8::Local<v8::String> key = V8Helper::v8_string(isolate, name);
    function->SetName(key);
    static_cast<void>(context->Global()->Set(context, key, function).IsNothing());
}

} // namespace

void install(v8::Isolate* isolate, v8::Local<v8::Context> context) {
    setFunction(isolate, context, "setTimeout", setTimer<Kind::timeout>, 1);
    setFunction(isolate, context, "setInterval", setTimer<Kind::interval>, 1);
    setFunction(isolate, context, "clearTimeout", clearTimer, 0);
    setFunction(isolate, context, "clearInterval", clearTimer, 0);
    setFunction(isolate, context, "queueMicrotask", queueMicrotask, 1);
}

} // namespace qor::format::engine::javascript::ScriptTimers
