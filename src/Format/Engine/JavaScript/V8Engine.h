#pragma once

#include "Format/Engine/JavaScript/Error.h"
#include "Format/Engine/JavaScript/Source.h"
#include "Format/Engine/JavaScript/V8FuncResult.h"

#include <v8.h>

#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace qor::format::engine::javascript {

// The process-wide V8: its platform and initialisation, and the static
// operations every engine of the process uses to run script text.
class V8Engine {
public:
    using Result = std::expected<v8::Local<v8::Value>, Error>;

    // The engine of the process. The first call initialises V8, with the
    // startup data at the snapshot path when such a file exists.
    static V8Engine& get();
    // Takes effect only before the first `get()`.
    static void setSnapshotBlobPath(std::filesystem::path path);
    static std::filesystem::path snapshotBlobPath();

    v8::Platform* getPlatform() const { return platform_.get(); }

    // Compiles and runs a classic script in the isolate's entered context. The
    // completion value is a local of the caller's handle scope.
    static Result runJavaScriptSource(v8::Isolate* isolate, Source const& source);

    // The three steps of running an ES module. Each leaves its failure as an
    // exception pending for the caller's TryCatch and returns empty or false.
    static v8::Local<v8::Module> loadModule(v8::Local<v8::Context> context, Source const& source);
    static bool instantiateModule(v8::Local<v8::Module> module, v8::Local<v8::Context> context,
                                  v8::Module::ResolveModuleCallback resolveCallback);
    // The promise of the evaluation. One already rejected when V8 returns it
    // is a failed evaluation: its reason is thrown, so a module that throws at
    // top level fails like a classic script that throws. A promise still
    // pending (top-level await) is returned as it is; settling it is the
    // caller's concern.
    static v8::Local<v8::Value> evaluateModule(v8::Local<v8::Module> module, v8::Local<v8::Context> context);

    // Calls the function `name` of `holder` with `arguments`. The name is a
    // property of the holder or, when no property has the whole name, a path
    // of properties separated by dots ("Sheet.OnChange"); the function's
    // receiver is the object that holds it. An exception of the lookup or
    // the call is left pending for the caller.
    static V8FuncResult callJsFunction(v8::Local<v8::Object> holder, v8::Local<v8::Context> context,
                                       std::string_view name, std::vector<v8::Local<v8::Value>>& arguments);
    // The same, with an exception caught and handed back as the error.
    static std::expected<V8FuncResult, Error> callJsFunctionGetError(v8::Local<v8::Object> holder,
                                                                     v8::Local<v8::Context> context,
                                                                     std::string_view name,
                                                                     std::vector<v8::Local<v8::Value>>& arguments);

    // A function name with its script string already made, for callers that
    // call one function often; the arguments wherever the caller keeps them.
    struct FunctionName {
        v8::Local<v8::String> key;
        std::string_view text;
        // The script strings of the path's parts ("Sheet", "OnChange"; empty
        // ones left out), when the caller keeps them too; else they are made
        // from `text` at each call.
        std::span<v8::Local<v8::String> const> parts = {};
    };
    static V8FuncResult callJsFunction(v8::Local<v8::Object> holder, v8::Local<v8::Context> context,
                                       FunctionName const& name, std::span<v8::Local<v8::Value>> arguments);
    static std::expected<V8FuncResult, Error> callJsFunctionGetError(v8::Local<v8::Object> holder,
                                                                     v8::Local<v8::Context> context,
                                                                     FunctionName const& name,
                                                                     std::span<v8::Local<v8::Value>> arguments);
    // A function already found, with the receiver it is called on.
    struct Callee {
        v8::Local<v8::Value> receiver;
        v8::Local<v8::Function> function;
    };
    static V8FuncResult callJsFunction(v8::Local<v8::Context> context, Callee const& callee,
                                       std::span<v8::Local<v8::Value>> arguments);
    // Catches what a call throws for as long as it lives, as the
    // callJsFunctionGetError calls do: verbosely, so that what no script
    // catches counts as uncaught for a debugger.
    class CaughtCall {
    public:
        explicit CaughtCall(v8::Isolate* isolate) : tryCatch(isolate) { tryCatch.SetVerbose(true); }
        // What the call that gave `result` threw, if it threw or was
        // terminated (a call that gave a value threw nothing); the catcher is
        // then ready for the next call, when one serves many.
        std::unique_ptr<Error> take(v8::Isolate* isolate, V8FuncResult const& result) {
            if (!result.value.IsEmpty() || !(tryCatch.HasCaught() || tryCatch.HasTerminated())) [[likely]]
                return nullptr;
            return takeError(isolate);
        }

    private:
        std::unique_ptr<Error> takeError(v8::Isolate* isolate);

        v8::TryCatch tryCatch;
    };
    // True when `name` leads to a function, found as callJsFunction finds it;
    // nothing is called.
    static bool jsFunctionExists(v8::Local<v8::Object> holder, v8::Local<v8::Context> context, std::string_view name);
    // The function `name` leads to, found as callJsFunction finds it, with its
    // receiver; nothing is called. An exception of the lookup is left pending.
    static std::optional<Callee> findFunction(v8::Local<v8::Object> holder, v8::Local<v8::Context> context,
                                              FunctionName const& name);

    // One line to the log, which is stderr.
    static void sendErrorToLog(std::string_view line);

    // Isolate handlers.
    static void oomeError(char const* location, bool isHeapOom);
    static void fatalError(char const* location, char const* message);
    static bool abortOnUncaughtException(v8::Isolate* isolate);
    // The message listener. The library's runs and calls catch their
    // exceptions verbosely, so that a debugger sees them as uncaught; the
    // engine reports them, and V8 would print them too without a listener.
    static void uncaughtMessage(v8::Local<v8::Message> message, v8::Local<v8::Value> exception);

    V8Engine(V8Engine const&) = delete;
    V8Engine& operator=(V8Engine const&) = delete;

private:
    V8Engine();

    std::unique_ptr<v8::Platform> platform_;
};

} // namespace qor::format::engine::javascript
