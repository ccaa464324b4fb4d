// Calls from the host, and from the host's COM objects, into script
// functions.
//
// Host -> script -> COM -> script calls nest on one thread. callDepth counts
// the calls from COM in progress: the outermost one (and a direct host call)
// captures the error of its script; deeper ones leave an exception to rise
// through the scripts between, so that the outermost reports it once.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"

#include "Format/Engine/JavaScript/Com/Engine/ScriptFunctionState.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Error.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/OleText.h"

#include <boost/container/small_vector.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::OleString;
using platform::windows::com::OleStringView;
using platform::windows::com::utf8FromOle;

// Counts one call from COM for as long as it runs, however it ends.
class CallDepthScope {
public:
    explicit CallDepthScope(std::uint64_t& depth) : depth_(depth) { ++depth_; }
    CallDepthScope(CallDepthScope const&) = delete;
    CallDepthScope& operator=(CallDepthScope const&) = delete;
    ~CallDepthScope() { --depth_; }

private:
    std::uint64_t& depth_;
};

constexpr std::size_t maximumFunctionKeys = 1024;

// The script values of one call's arguments: calls of up to eight take no
// allocation, nor a call to make room.
class ScriptArguments {
public:
    explicit ScriptArguments(std::size_t count) {
        if (count > few.size())
            more.resize(count);
        values = {count > few.size() ? more.data() : few.data(), count};
    }
    ScriptArguments(ScriptArguments const&) = delete;
    ScriptArguments& operator=(ScriptArguments const&) = delete;

    std::span<v8::Local<v8::Value>> span() const { return values; }

private:
    std::array<v8::Local<v8::Value>, 8> few;
    std::vector<v8::Local<v8::Value>> more;
    std::span<v8::Local<v8::Value>> values;
};

constexpr std::string_view caughtByHost = "The call threw, and a v8::TryCatch of the host's caught it";

std::string notRunYet(std::string_view name) {
    return fmt::format("Cannot call {}: no script has run on this engine yet", name);
}

} // namespace

void ComV8Engine::Impl::recordMessage(std::string message) {
    recordError(V8Error::get(Error::Type::Message, nullptr, message));
}

namespace {

v8::Local<v8::String> internalized(v8::Isolate* isolate, std::string_view text) {
    v8::Local<v8::String> key;
    if (text.size() > static_cast<std::size_t>(v8::String::kMaxLength) ||
        !v8::String::NewFromUtf8(isolate, text.data(), v8::NewStringType::kInternalized, static_cast<int>(text.size()))
             .ToLocal(&key))
        return {};
    return key;
}

} // namespace

V8Engine::FunctionName ComV8Engine::Impl::functionName(std::string_view name, PartKeys& parts) {
    auto found = functionKeys.find(name);
    if (found == functionKeys.end()) {
        FunctionKeys keys;
        v8::Local<v8::String> const whole = internalized(isolate, name);
        if (whole.IsEmpty())
            return {v8::String::Empty(isolate), name};
        keys.whole.Reset(isolate, whole);
        // The parts of a path ("Sheet.OnChange"), each a property looked up
        // at every call: a function the script assigns again is found.
        if (name.find('.') != std::string_view::npos)
            for (std::string_view rest = name; !rest.empty();) {
                std::size_t const dot = rest.find('.');
                std::string_view const part = rest.substr(0, dot);
                rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
                if (!part.empty())
                    keys.parts.emplace_back(isolate, internalized(isolate, part));
            }
        // A host calls a handful of functions; names made up on the fly must
        // not pile up.
        if (functionKeys.size() >= maximumFunctionKeys)
            functionKeys.clear();
        found = functionKeys.emplace(std::string(name), std::move(keys)).first;
    }
    parts.clear();
    for (v8::Global<v8::String> const& part : found->second.parts)
        parts.push_back(part.Get(isolate));
    // A part that could not be made is made again at the call, and fails there.
    if (std::ranges::any_of(parts, [](v8::Local<v8::String> part) { return part.IsEmpty(); }))
        parts.clear();
    return {found->second.whole.Get(isolate), name, {parts.data(), parts.size()}};
}

std::string_view ComV8Engine::Impl::memberFunctionName(GUID const* classGuid, OLECHAR const* memberName,
                                                std::string& spare) {
    constexpr std::size_t guidUnits = sizeof(GUID) / sizeof(OLECHAR);
    OleStringView const member = memberName != nullptr ? OleStringView(memberName) : OleStringView();
    // The key of a usual name is made without allocating.
    boost::container::small_vector<OLECHAR, 128> key(guidUnits + 1 + member.size());
    GUID const none{};
    std::memcpy(key.data(), classGuid != nullptr ? classGuid : &none, sizeof(GUID));
    key[guidUnits] = classGuid != nullptr ? OLECHAR('C') : OLECHAR('-');
    std::ranges::copy(member, key.data() + guidUnits + 1);
    OleStringView const lookup(key.data(), key.size());
    if (auto found = memberFunctionNames.find(lookup); found != memberFunctionNames.end())
        return found->second;
    std::optional<std::string> className;
    if (classGuid != nullptr)
        className = comClasses.nameOf(Guid(*classGuid));
    spare = className.value_or("") + "." + (memberName != nullptr ? utf8FromOle(memberName) : std::string());
    // A host calls back a handful of members; names made up on the fly must
    // not pile up, and a class the host registers later gets its name then.
    if (memberFunctionNames.size() >= maximumFunctionKeys || (classGuid != nullptr && !className))
        return spare;
    return memberFunctionNames.emplace(OleString(lookup), std::move(spare)).first->second;
}

// A template rather than std::function: a host call must not allocate for
// the closure it passes.
template <class Call>
V8FuncResult ComV8Engine::Impl::callCaptured(Call const& call) {
    try {
        V8FuncResult result;
        // Not an optional: that would clear an Error's room at every call.
        std::unique_ptr<Error> failure;
        bool outermost = false;
        auto step = [&] {
            if (callDepth > 1) {
                result = call();
                return;
            }
            // With no script below, a HostCallScope's catcher is the
            // innermost, unless the host has made one of its own since;
            // else a catcher of the call's own.
            if (outermost && hostCatcher) {
                result = call();
                failure = hostCatcher->take(isolate, result);
                if (!failure && result.found && result.value.IsEmpty()) [[unlikely]]
                    failure = std::make_unique<Error>(V8Error::get(Error::Type::Message, nullptr, caughtByHost));
                return;
            }
            V8Engine::CaughtCall catcher(isolate);
            result = call();
            failure = catcher.take(isolate, result);
        };
        {
            RunScope run(*this);
            outermost = run.outermost();
            if (face.runMode == ComV8Engine::debugRun && debugger) [[unlikely]]
                debugged(true, step);
            else
                step();
        }
        if (!failure && !(outermost && termination.reason())) [[likely]]
            return result;
        recordFailedCall(std::move(failure), outermost);
    } catch (std::exception const& exception) {
        critical = true;
        char const* text = exception.what();
        recordMessage(text != nullptr ? text : "Unknown exception");
    } catch (...) {
        critical = true;
        recordMessage("Critical error");
    }
    return {};
}

void ComV8Engine::Impl::recordFailedCall(std::unique_ptr<Error> failure, bool outermost) {
    if (!failure)
        if (auto stopped = stopError())
            failure = std::make_unique<Error>(std::move(*stopped));
    if (!failure)
        return;
    // A termination ends the run around this call too, which reports it.
    if (!outermost && termination.reason())
        return;
    describeTermination(*failure);
    recordError(std::move(*failure));
}

V8FuncResult ComV8Engine::Impl::callFunction(v8::Local<v8::Context> local, std::string_view name,
                                       std::span<v8::Local<v8::Value>> arguments) {
    v8::Local<v8::Object> global = local->Global();
    PartKeys parts;
    V8Engine::FunctionName const function = functionName(name, parts);
    // A debug call enters the debugger only for a function that exists.
    if (face.runMode == ComV8Engine::debugRun && debugger && !V8Engine::jsFunctionExists(global, local, name))
        return {};
    return callCaptured([&] { return V8Engine::callJsFunction(global, local, function, arguments); });
}

void ComV8Engine::Impl::recordArgumentFailure(std::string_view name,
                                              ComHelper::IncomingArgumentFailure const& failure) {
    recordMessage(fmt::format("{}: argument {} cannot be passed to the script: {}", name, failure.position,
                              failure.message));
}

void ComV8Engine::Impl::recordResultFailure(std::string_view name, ComHelper::ConversionFailure failure) {
    recordMessage(
        fmt::format("{} returned a value that cannot be passed to COM: {}", name, ComHelper::reasonOf(failure)));
}

// Inline, with the failure out of line: every call from the host or COM
// passes here.
inline bool ComV8Engine::Impl::comResult(std::string_view name, V8FuncResult const& result, VARIANT& target) {
    if (result.value.IsEmpty())
        return true;
    auto converted = ComHelper::convertToVariant(isolate, result.value, target);
    if (converted) [[likely]]
        return true;
    recordResultFailure(name, converted.error());
    return false;
}

template <class Call, class Take>
void ComV8Engine::Impl::callWithVariants(std::string_view name, VARIANT const* variants, std::size_t count,
                                         bool reversed, Call const& call, Take const& take) {
    if (isolate == nullptr) {
        recordMessage(notRunYet(name));
        return;
    }
    // Under a HostCallScope the isolate is entered already, unless the host
    // has entered another since: entering it again costs V8 a lookup of the
    // thread's entries and its own bookkeeping, both ways.
    std::optional<v8::Isolate::Scope> isolateScope;
    if (scopesEntered == 0 || v8::Isolate::TryGetCurrent() != isolate)
        isolateScope.emplace(isolate);
    v8::HandleScope handleScope(isolate);
    // The context lives as long as the engine.
    v8::Local<v8::Context> local = V8Helper::borrowed(context);
    // The engine's isolate has no other context: one entered (a nested call,
    // a HostCallScope) is its own. A HostCallScope holds it entered without
    // V8 being asked.
    std::optional<v8::Context::Scope> contextScope;
    if (scopesEntered == 0 && !isolate->InContext())
        contextScope.emplace(local);
    // Objects become wrappers holding a reference of their own, so a script
    // may keep them past the call.
    ScriptArguments values(count);
    if (auto converted = ComHelper::convertArguments(isolate, variants, reversed, values.span())) [[likely]]
        take(call(local, values.span()));
    else
        recordArgumentFailure(name, converted.error());
    if (callDepth <= 1)
        recordUnhandledRejections();
    if (callDepth == 1)
        reportPendingError();
}

_variant_t ComV8Engine::Impl::callJsFunctionGetError(std::string_view functionName, std::vector<_variant_t>& arguments) {
    _variant_t returned;
    callWithVariants(
        functionName, arguments.data(), arguments.size(), false,
        [&](v8::Local<v8::Context> local, std::span<v8::Local<v8::Value>> values) {
            return callFunction(local, functionName, values);
        },
        [&](V8FuncResult const& result) {
            if (result.found)
                comResult(functionName, result, returned);
        });
    return returned;
}

template <class Call>
bool ComV8Engine::Impl::callFromCom(std::string_view name, DISPPARAMS* parameters, VARIANT* result, Call const& call) {
    bool found = false;
    // COM passes the arguments last first; the script sees them in order.
    callWithVariants(name, parameters != nullptr ? parameters->rgvarg : nullptr,
                     parameters != nullptr ? parameters->cArgs : 0, true, call, [&](V8FuncResult const& called) {
                         found = called.found;
                         // COM's caller's VARIANT is written only with a value.
                         VARIANT variant{};
                         if (found && result != nullptr && comResult(name, called, variant))
                             *result = variant;
                     });
    return found;
}

ScriptFunction::Result ComV8Engine::Impl::callResolved(ScriptFunction::State const& function,
                                                       VARIANT const* arguments, std::size_t count, bool fromCom) {
    std::optional<CallDepthScope> depth;
    if (fromCom)
        depth.emplace(callDepth);
    // The value is made where the host receives it, and the one result is
    // returned on every path, so that nothing is copied on the way out.
    ScriptFunction::Result returned(std::in_place);
    bool gave = false;
    callWithVariants(
        function.name, arguments, count, fromCom,
        [&](v8::Local<v8::Context> local, std::span<v8::Local<v8::Value>> values) {
            // The handle being called keeps both, as the host's copy it is
            // called through keeps it.
            V8Engine::Callee const callee{V8Helper::borrowed(function.receiver), V8Helper::borrowed(function.function)};
            return callCaptured([&] { return V8Engine::callJsFunction(local, callee, values); });
        },
        [&](V8FuncResult const& called) {
            // Nested in a call from COM, a throw leaves the value empty and
            // rises through the scripts between.
            gave = called.found && !called.value.IsEmpty() && comResult(function.name, called, *returned);
        });
    if (!gave) [[unlikely]]
        returned = std::unexpected(ScriptCallFailure::failed);
    return returned;
}

bool ComV8Engine::Impl::invokeComFunction(GUID const* classGuid, OLECHAR const* memberName, DISPPARAMS* parameters,
                                    VARIANT* result) {
    CallDepthScope depth(callDepth);
    std::string spare;
    std::string_view const name = memberFunctionName(classGuid, memberName, spare);
    return callFromCom(name, parameters, result,
                       [&](v8::Local<v8::Context> local, std::span<v8::Local<v8::Value>> values) {
                           return callFunction(local, name, values);
                       });
}

bool ComV8Engine::Impl::invokeScriptFunctions(std::string_view name, DISPPARAMS* parameters, VARIANT* result,
                                        std::function<std::optional<V8Engine::Callee>()> const& next) {
    CallDepthScope depth(callDepth);
    return callFromCom(name, parameters, result,
                       [&](v8::Local<v8::Context> local, std::span<v8::Local<v8::Value>> values) {
                           V8FuncResult last;
                           while (auto callee = next()) {
                               last = callCaptured([&] { return V8Engine::callJsFunction(local, *callee, values); });
                               // Nested, a failure rises as an exception through the
                               // scripts between; the next function must not run over it.
                               if (callDepth > 1 && last.value.IsEmpty())
                                   break;
                               if (callDepth == 1)
                                   reportPendingError();
                           }
                           return last;
                       });
}

std::expected<v8::Local<v8::Value>, Error> ComV8Engine::Impl::callModuleFunction(std::string_view functionName,
                                                                           std::vector<v8::Local<v8::Value>> arguments) {
    if (topLevelModule.IsEmpty()) {
        assert::Assert::report("No top level module", "qor::format::engine::javascript::ComV8Engine::Impl::callModuleFunction",
                               "Format/Engine/JavaScript/Com/ComV8Engine", 624);
        return v8::Local<v8::Value>();
    }
    v8::Isolate::Scope isolateScope(isolate);
    v8::EscapableHandleScope handleScope(isolate);
    v8::Local<v8::Context> local = context.Get(isolate);
    v8::Context::Scope contextScope(local);
    v8::Local<v8::Object> holder = topLevelModule.Get(isolate)->GetModuleNamespace().As<v8::Object>();
    v8::TryCatch tryCatch(isolate);
    std::expected<V8FuncResult, Error> result = V8FuncResult{};
    bool outermost = false;
    {
        RunScope run(*this);
        outermost = run.outermost();
        debugged(true, [&] { result = V8Engine::callJsFunctionGetError(holder, local, functionName, arguments); });
    }
    if (result && outermost)
        if (auto stopped = stopError())
            result = std::unexpected(std::move(*stopped));
    if (!result) {
        describeTermination(result.error());
        return std::unexpected(result.error());
    }
    if (!result->found) {
        Error error;
        error.type = Error::Type::Message;
        error.message = "Function not found";
        return std::unexpected(error);
    }
    return handleScope.Escape(result->value);
}

} // namespace qor::format::engine::javascript
