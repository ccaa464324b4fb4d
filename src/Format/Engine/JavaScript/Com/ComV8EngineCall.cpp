// Calls from the host, and from the host's COM objects, into script
// functions.
//
// Host -> script -> COM -> script calls nest on one thread. callDepth counts
// the calls from COM in progress: the outermost one (and a direct host call)
// captures the error of its script; deeper ones leave an exception to rise
// through the scripts between, so that the outermost reports it once.

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/ComHelper.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Error.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/OleText.h"

#include <fmt/format.h>

#include <exception>
#include <optional>
#include <utility>

namespace qor::format::engine::javascript {
namespace {

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

std::string notRunYet(std::string_view name) {
    return fmt::format("Cannot call {}: no script has run on this engine yet", name);
}

} // namespace

void ComV8Engine::recordMessage(std::string message) {
    recordError(V8Error::get(Error::Type::Message, nullptr, message));
}

v8::Local<v8::String> ComV8Engine::functionKey(std::string_view name) {
    if (auto found = functionKeys.find(name); found != functionKeys.end())
        return found->second.Get(isolate);
    v8::Local<v8::String> key;
    if (name.size() > static_cast<std::size_t>(v8::String::kMaxLength) ||
        !v8::String::NewFromUtf8(isolate, name.data(), v8::NewStringType::kInternalized, static_cast<int>(name.size()))
             .ToLocal(&key))
        return v8::String::Empty(isolate);
    // A host calls a handful of functions; names made up on the fly must not
    // pile up.
    if (functionKeys.size() >= maximumFunctionKeys)
        functionKeys.clear();
    functionKeys.emplace(std::string(name), v8::Global<v8::String>(isolate, key));
    return key;
}

V8FuncResult ComV8Engine::callFunction(v8::Local<v8::Context> local, std::string_view name,
                                       std::vector<v8::Local<v8::Value>>& arguments) {
    v8::Local<v8::Object> global = local->Global();
    V8Engine::FunctionName const function{functionKey(name), name};
    // A debug call enters the debugger only for a function that exists.
    if (runMode == debugRun && debugger && !V8Engine::jsFunctionExists(global, local, name))
        return {};
    return callCaptured([&] { return V8Engine::callJsFunction(global, local, function, arguments); },
                        [&] { return V8Engine::callJsFunctionGetError(global, local, function, arguments); });
}

V8FuncResult ComV8Engine::callCaptured(std::function<V8FuncResult()> const& plain,
                                       std::function<std::expected<V8FuncResult, Error>()> const& capturing) {
    try {
        V8FuncResult called;
        std::optional<Error> failure;
        auto call = [&] {
            if (callDepth > 1) {
                called = plain();
                return;
            }
            auto result = capturing();
            if (result)
                called = *result;
            else
                failure = std::move(result.error());
        };
        bool outermost = false;
        {
            RunScope run(*this);
            outermost = run.outermost();
            if (runMode == debugRun && debugger)
                debugged(true, call);
            else
                call();
        }
        if (!failure)
            return called;
        // A termination ends the run around this call too, which reports it.
        if (!outermost && termination.reason())
            return {};
        describeTermination(*failure);
        recordError(std::move(*failure));
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

std::optional<std::vector<v8::Local<v8::Value>>> ComV8Engine::scriptArguments(std::string_view name,
                                                                              VARIANT const* variants,
                                                                              std::size_t count, bool reversed) {
    // Objects become wrappers holding a reference of their own, so a script
    // may keep them past the call.
    auto arguments = ComHelper::convertArguments(isolate, variants, count, reversed);
    if (arguments)
        return std::move(*arguments);
    recordMessage(fmt::format("{}: argument {} cannot be passed to the script: {}", name, arguments.error().position,
                              arguments.error().message));
    return std::nullopt;
}

std::optional<VARIANT> ComV8Engine::comResult(std::string_view name, V8FuncResult const& result) {
    VARIANT variant;
    VariantInit(&variant);
    if (result.value.IsEmpty())
        return variant;
    auto converted = ComHelper::convertToVariant(isolate, result.value, variant);
    if (converted)
        return variant;
    recordMessage(fmt::format("{} returned a value that cannot be passed to COM: {}", name,
                              ComHelper::reasonOf(converted.error())));
    return std::nullopt;
}

_variant_t ComV8Engine::callJsFunctionGetError(std::string_view functionName, std::vector<_variant_t>& arguments) {
    if (isolate == nullptr) {
        recordMessage(notRunYet(functionName));
        return {};
    }
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Context> local = context.Get(isolate);
    v8::Context::Scope contextScope(local);
    _variant_t returned;
    if (auto values = scriptArguments(functionName, arguments.data(), arguments.size(), false)) {
        V8FuncResult const result = callFunction(local, functionName, *values);
        if (result.found)
            if (auto variant = comResult(functionName, result))
                returned.Attach(*variant);
    }
    if (callDepth <= 1)
        recordUnhandledRejections();
    if (callDepth == 1)
        reportPendingError();
    return returned;
}

bool ComV8Engine::invokeComFunction(GUID const* classGuid, OLECHAR const* memberName, DISPPARAMS* parameters,
                                    VARIANT* result) {
    CallDepthScope depth(callDepth);
    std::string className;
    if (classGuid != nullptr)
        className = comClasses.nameOf(Guid(*classGuid)).value_or("");
    std::string const name = className + "." + (memberName != nullptr ? utf8FromOle(memberName) : std::string());
    return callFromCom(name, parameters, result,
                       [&](v8::Local<v8::Context> local, std::vector<v8::Local<v8::Value>>& values) {
                           return callFunction(local, name, values);
                       });
}

bool ComV8Engine::invokeScriptFunctions(std::string_view name, DISPPARAMS* parameters, VARIANT* result,
                                        std::function<std::optional<V8Engine::Callee>()> const& next) {
    CallDepthScope depth(callDepth);
    return callFromCom(name, parameters, result,
                       [&](v8::Local<v8::Context> local, std::vector<v8::Local<v8::Value>>& values) {
                           V8FuncResult last;
                           while (auto callee = next()) {
                               last = callCaptured(
                                   [&] { return V8Engine::callJsFunction(local, *callee, values); },
                                   [&] { return V8Engine::callJsFunctionGetError(local, *callee, values); });
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

bool ComV8Engine::callFromCom(std::string_view name, DISPPARAMS* parameters, VARIANT* result,
                              std::function<V8FuncResult(v8::Local<v8::Context>, std::vector<v8::Local<v8::Value>>&)> const& call) {
    if (isolate == nullptr) {
        recordMessage(notRunYet(name));
        return false;
    }
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Context> local = context.Get(isolate);
    v8::Context::Scope contextScope(local);
    bool found = false;
    // COM passes the arguments last first; the script sees them in order.
    std::size_t const count = parameters != nullptr ? parameters->cArgs : 0;
    if (auto values = scriptArguments(name, count != 0 ? parameters->rgvarg : nullptr, count, true)) {
        V8FuncResult const called = call(local, *values);
        found = called.found;
        if (found && result != nullptr)
            if (auto variant = comResult(name, called))
                *result = *variant;
    }
    if (callDepth <= 1)
        recordUnhandledRejections();
    if (callDepth == 1)
        reportPendingError();
    return found;
}

std::expected<v8::Local<v8::Value>, Error> ComV8Engine::callModuleFunction(std::string_view functionName,
                                                                           std::vector<v8::Local<v8::Value>> arguments) {
    if (topLevelModule.IsEmpty()) {
        assert::Assert::report("No top level module", "qor::format::engine::javascript::ComV8Engine::callModuleFunction",
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
    {
        RunScope run(*this);
        debugged(true, [&] { result = V8Engine::callJsFunctionGetError(holder, local, functionName, arguments); });
    }
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
