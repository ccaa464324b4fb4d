// Script functions resolved once for the host (ScriptFunction), and what the
// host holds of the engine that must let go before the isolate goes.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"

#include "Format/Engine/JavaScript/Com/Engine/ScriptFunctionState.h"
#include "Format/Engine/JavaScript/V8Error.h"

#include <fmt/format.h>

namespace qor::format::engine::javascript {
namespace {

Error messageError(std::string const& message) { return V8Error::get(Error::Type::Message, nullptr, message); }

v8::Local<v8::Object> globalOf(ComV8Engine::Impl&, v8::Local<v8::Context> context) { return context->Global(); }

} // namespace

ScriptFunction::State::State(ComV8Engine::Impl& engine, v8::Isolate* isolate, v8::Local<v8::Function> function,
                             v8::Local<v8::Value> receiver, std::string name)
    : engine(&engine), function(isolate, function), receiver(isolate, receiver), name(std::move(name)) {}

ScriptFunction::State::~State() {
    if (engine != nullptr)
        engine->forget(*this);
}

ComV8Engine::Impl::ResolvedFunction ComV8Engine::Impl::resolve(std::string_view name,
                                                       v8::Local<v8::Object> (*holderOf)(Impl&,
                                                                                         v8::Local<v8::Context>)) {
    if (isolate == nullptr)
        return std::unexpected(messageError(fmt::format("Cannot resolve {}: no script has run on this engine yet", name)));
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Context> local = context.Get(isolate);
    v8::Context::Scope contextScope(local);
    v8::Local<v8::Object> holder = holderOf(*this, local);
    if (holder.IsEmpty())
        return std::unexpected(messageError(fmt::format("Cannot resolve {}: no module has run on this engine", name)));
    // The look-up may run a script's getters: a run like any other.
    v8::TryCatch tryCatch(isolate);
    std::optional<V8Engine::Callee> callee;
    {
        RunScope run(*this);
        PartKeys parts;
        callee = V8Engine::findFunction(holder, local, functionName(name, parts));
    }
    if (tryCatch.HasCaught() || tryCatch.HasTerminated()) {
        Error error = V8Error::get(Error::Type::Exception, isolate, tryCatch);
        describeTermination(error);
        return std::unexpected(std::move(error));
    }
    if (!callee)
        return std::unexpected(messageError("Function not found"));
    auto function = std::make_shared<ScriptFunction::State>(*this, isolate, callee->function, callee->receiver,
                                                            std::string(name));
    resolvedFunctions.insert(function.get());
    return function;
}

ComV8Engine::Impl::ResolvedFunction ComV8Engine::Impl::resolveFunction(std::string_view name) {
    return resolve(name, globalOf);
}

ComV8Engine::Impl::ResolvedFunction ComV8Engine::Impl::resolveModuleFunction(std::string_view name) {
    return resolve(name, [](Impl& engine, v8::Local<v8::Context>) {
        if (engine.topLevelModule.IsEmpty())
            return v8::Local<v8::Object>();
        return engine.topLevelModule.Get(engine.isolate)->GetModuleNamespace().As<v8::Object>();
    });
}

ComV8Engine::Impl::ResolvedFunction ComV8Engine::Impl::resolveComFunction(GUID const* classGuid, OLECHAR const* memberName) {
    std::string spare;
    return resolve(memberFunctionName(classGuid, memberName, spare), globalOf);
}

// The scopes hold the context entered as well, and the outermost a handle
// scope: each call's own then starts in a block of handles V8 has already
// made, rather than making and freeing one. The block lives only as long as
// a handle in it, so the outermost keeps its handle of the context there.
// The outermost holds a catcher too: a call under it with no script below
// catches with that one, which V8 then need not register and unregister at
// each call; any script's own handlers and catchers lie above it.
bool ComV8Engine::Impl::enterForScope() {
    if (isolate == nullptr)
        return false;
    isolate->Enter();
    if (scopesEntered++ == 0) {
        hostHandles.emplace(isolate);
        context.Get(isolate)->Enter();
        hostCatcher.emplace(isolate);
        return true;
    }
    v8::HandleScope handleScope(isolate);
    context.Get(isolate)->Enter();
    return true;
}

void ComV8Engine::Impl::leaveForScope() {
    {
        v8::HandleScope handleScope(isolate);
        context.Get(isolate)->Exit();
    }
    if (--scopesEntered == 0) {
        hostCatcher.reset();
        hostHandles.reset();
    }
    isolate->Exit();
}

void ComV8Engine::Impl::releaseHostHolds() {
    alive->engine = nullptr;
    for (ScriptFunction::State* function : resolvedFunctions) {
        function->engine = nullptr;
        function->function.Reset();
        function->receiver.Reset();
    }
    resolvedFunctions.clear();
    // V8 refuses to dispose of an isolate a thread still has entered.
    while (scopesEntered != 0)
        leaveForScope();
}

} // namespace qor::format::engine::javascript
