#include "Format/Engine/JavaScript/V8Engine.h"

#include "Format/Engine/JavaScript/Debugger/V8Debugger.h"
#include "Format/Engine/JavaScript/V8Error.h"
#include "Format/Engine/JavaScript/V8Helper.h"

#include <libplatform/libplatform.h>

#include <fmt/core.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace qor::format::engine::javascript {
namespace {

std::filesystem::path& blobPath() {
    static std::filesystem::path path;
    return path;
}

v8::ScriptOrigin originOf(v8::Isolate* isolate, Source const& source, bool isModule) {
    return v8::ScriptOrigin(isolate, V8Helper::v8_string(isolate, source.resourceName), 0, 0, false, -1,
                            v8::Local<v8::Value>(), false, false, isModule);
}

} // namespace

V8Engine::V8Engine() {
    auto const& blob = blobPath();
    std::error_code ec;
    if (!blob.empty() && std::filesystem::is_regular_file(blob, ec))
        v8::V8::InitializeExternalStartupDataFromFile(blob.string().c_str());
    else
        // Every isolate would checksum its whole startup blob again, though
        // the blobs then are the library's own or made in this process's
        // memory; a file from outside keeps the check.
        v8::V8::SetFlagsFromString("--no-verify-snapshot-checksum");
    platform_ = v8::platform::NewDefaultPlatform();
    v8::V8::InitializePlatform(platform_.get());
    v8::V8::Initialize();
}

V8Engine& V8Engine::get() {
    // Never destroyed: isolates of the host may outlive static destruction,
    // and V8 cannot be initialised twice in a process anyway.
    static V8Engine* engine = new V8Engine();
    return *engine;
}

void V8Engine::setSnapshotBlobPath(std::filesystem::path path) { blobPath() = std::move(path); }

std::filesystem::path V8Engine::snapshotBlobPath() { return blobPath(); }

V8Engine::Result V8Engine::runJavaScriptSource(v8::Isolate* isolate, Source const& source) {
    if (source.code.size() > static_cast<std::size_t>(v8::String::kMaxLength))
        return std::unexpected(V8Error::get(Error::Type::Compile, nullptr, "Script text is too long"));
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    // Verbose: what no script catches counts as uncaught, for a debugger.
    v8::TryCatch tryCatch(isolate);
    tryCatch.SetVerbose(true);
    v8::ScriptOrigin origin = originOf(isolate, source, source.module);
    v8::Local<v8::Script> script;
    if (!v8::Script::Compile(context, V8Helper::v8_string(isolate, source.code), &origin).ToLocal(&script))
        return std::unexpected(V8Error::get(Error::Type::Compile, isolate, tryCatch));
    v8::Local<v8::Value> value;
    if (!script->Run(context).ToLocal(&value))
        return std::unexpected(V8Error::get(Error::Type::Exception, isolate, tryCatch));
    return value;
}

v8::Local<v8::Module> V8Engine::loadModule(v8::Local<v8::Context> context, Source const& source) {
    v8::Isolate* isolate = context->GetIsolate();
    if (source.code.size() > static_cast<std::size_t>(v8::String::kMaxLength)) {
        isolate->ThrowException(v8::Exception::RangeError(V8Helper::v8_string(isolate, "Script text is too long")));
        return {};
    }
    // V8 compiles module text only under a module origin, whatever the flag says.
    v8::ScriptCompiler::Source compilerSource(V8Helper::v8_string(isolate, source.code),
                                              originOf(isolate, source, true));
    v8::Local<v8::Module> module;
    if (!v8::ScriptCompiler::CompileModule(isolate, &compilerSource).ToLocal(&module))
        return {};
    return module;
}

bool V8Engine::instantiateModule(v8::Local<v8::Module> module, v8::Local<v8::Context> context,
                                 v8::Module::ResolveModuleCallback resolveCallback) {
    return module->InstantiateModule(context, resolveCallback).FromMaybe(false);
}

v8::Local<v8::Value> V8Engine::evaluateModule(v8::Local<v8::Module> module, v8::Local<v8::Context> context) {
    v8::Local<v8::Value> value;
    if (!V8Debugger::evaluate(module, context).ToLocal(&value))
        return {};
    if (!value->IsPromise())
        return value;
    auto promise = value.As<v8::Promise>();
    if (promise->State() != v8::Promise::kRejected)
        return value;
    // Rethrown here, the reason reaches the caller's TryCatch; the promise
    // itself has nobody else to report it to.
    promise->MarkAsHandled();
    context->GetIsolate()->ThrowException(promise->Result());
    return {};
}

void V8Engine::sendErrorToLog(std::string_view line) { fmt::print(stderr, "{}\n", line); }

void V8Engine::oomeError(char const* location, bool isHeapOom) {
    sendErrorToLog(fmt::format("V8 out of memory{} at {}", isHeapOom ? " (heap)" : "", location ? location : "?"));
    std::abort();
}

void V8Engine::fatalError(char const* location, char const* message) {
    sendErrorToLog(fmt::format("V8 fatal error at {}: {}", location ? location : "?", message ? message : "?"));
    std::abort();
}

bool V8Engine::abortOnUncaughtException(v8::Isolate*) {
    // An uncaught exception is reported through the engine's error route; it
    // is never a reason to end the host's process.
    return false;
}

void V8Engine::uncaughtMessage(v8::Local<v8::Message>, v8::Local<v8::Value>) {}

} // namespace qor::format::engine::javascript
