// Running classic scripts, Include() and the loading of named script files.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"

#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"
#include "Format/Engine/JavaScript/Com/Engine/ScriptFile.h"
#include "Format/Engine/JavaScript/Source.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "String/Utf.h"

#include <fmt/format.h>

namespace qor::format::engine::javascript {
namespace {

// Include's failures are thrown as the bindings throw theirs: their text, or
// under errorObjects an Error with it as message. A file it cannot read has
// the number of a missing file, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND).
constexpr auto fileNotFound = static_cast<HRESULT>(0x80070002);

} // namespace

bool ComV8Engine::Impl::setScript(std::string_view text, ScriptSettings newSettings) {
    source.assign(text);
    settings = std::move(newSettings);
    return true;
}

ComV8Engine::Impl::ScriptSettings ComV8Engine::Impl::getScriptSettings() { return settings; }

bool ComV8Engine::Impl::runScript(ResultCallback onResult) {
    if (isolate == nullptr)
        ensureIsolate();
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Context> local = context.Get(isolate);
    v8::Context::Scope contextScope(local);
    Source script{source, settings.path ? string::pathToUtf8(*settings.path) : std::string(), settings.isModule};
    // Prepared empty, for a debugger that decides not to run the script.
    RunResult result = v8::Local<v8::Value>(v8::Undefined(isolate));
    bool outermost = false;
    {
        RunScope run(*this);
        outermost = run.outermost();
        debugged(false, [&] { result = execute(script, local); });
    }
    if (result && outermost)
        if (auto stopped = stopError())
            result = std::unexpected(std::move(*stopped));
    if (!result)
        describeTermination(result.error());
    onResult(result, local);
    // After the run's own result: its error, if any, came first.
    recordUnhandledRejections();
    return result.has_value();
}

std::string ComV8Engine::Impl::runScript() {
    std::string text;
    runScript([&](RunResult& result, v8::Local<v8::Context>&) {
        if (result) {
            text = V8Helper::qor_string(*result, isolate);
            return;
        }
        recordError(result.error());
        if (face.errorHandler)
            reportPendingError();
    });
    return text;
}

ComV8Engine::Impl::RunResult ComV8Engine::Impl::execute(Source const& script, v8::Local<v8::Context> local) {
    if (script.module)
        return executeModule(script, local);
    V8Engine::get();
    return V8Engine::runJavaScriptSource(isolate, script);
}

void ComV8Engine::Impl::include(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    if (info.Length() != 1)
        return throwFailure(isolate, "Incorrect number of arguments passed to Include().", DISP_E_BADPARAMCOUNT,
                            ErrorKind::typeError);
    v8::HandleScope handleScope(isolate);
    auto& engine = IsolateData::engine(isolate).implementation();
    if (engine.inModule)
        return throwFailure(isolate, "Include() is not allowed from javascript modules (mjs files).");
    // A value without a string form (a symbol, a throwing toString) names no
    // file; its exception, if any, stays with the caller.
    v8::Local<v8::String> nameText;
    if (!info[0]->ToString(isolate->GetCurrentContext()).ToLocal(&nameText))
        return;
    std::string name = V8Helper::qor_string(nameText, isolate);
    if (!engine.includedFiles.insert(name).second)
        return;
    auto found = engine.resolveImport(name);
    if (!found)
        return throwFailure(isolate, fmt::format("Could not find included file: `{}`", name), fileNotFound);
    Source script{found->first, string::pathToUtf8(found->second), false};
    // The including script goes on, not thrown into; the host still learns of
    // the failure, located in the included file. A termination goes on by
    // itself, reported by the run.
    auto ran = V8Engine::runJavaScriptSource(isolate, script);
    if (!ran && !isolate->IsExecutionTerminating())
        engine.recordError(std::move(ran.error()));
}

std::optional<std::pair<std::string, std::filesystem::path>> ComV8Engine::Impl::resolveImport(std::string_view name) {
    if (importResolver)
        return importResolver(face, name);
    std::filesystem::path path = string::utf8ToPath(name);
    auto text = readScriptFile(path);
    if (text)
        return std::pair{std::move(*text), std::move(path)};
    setErrorMessage(notFoundMessage(name, text.error()), false);
    return std::nullopt;
}

void ComV8Engine::Impl::setImportResolverCallback(ImportResolver resolver) { importResolver = std::move(resolver); }

} // namespace qor::format::engine::javascript
