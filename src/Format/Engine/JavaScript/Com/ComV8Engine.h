#pragma once

#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/EngineOptions.h"
#include "Format/Engine/JavaScript/Com/Export.h"
#include "Format/Engine/JavaScript/Com/Engine/ImportTree.h"
#include "Format/Engine/JavaScript/Com/Engine/ObjectRegistry.h"
#include "Format/Engine/JavaScript/Com/Engine/UnhandledRejections.h"
#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"
#include "Format/Engine/JavaScript/Limits/BoundedArrayBufferAllocator.h"
#include "Format/Engine/JavaScript/Error.h"
#include "Format/Engine/JavaScript/Limits/HeapLimit.h"
#include "Format/Engine/JavaScript/Limits/RunTimeLimit.h"
#include "Format/Engine/JavaScript/Limits/ScriptTermination.h"
#include "Format/Engine/JavaScript/Debugger/V8Debugger.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8FuncResult.h"
#include "Id/Guid.h"
#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/ScriptInterface.h"
#include "Platform/Windows/Com/TypeLibrary.h"
#include "Platform/Windows/Com/V8ComInvokeInterface.h"

#include <v8.h>

#include <chrono>
#include <cstddef>
#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {

// One script environment: a V8 isolate with one context whose global object
// carries the host's COM classes, ActiveXObject, Enumerator and Include.
// Created empty; the isolate and context come with the first run.
class QOR_JAVASCRIPT_COM_API ComV8Engine : public platform::windows::com::ScriptInterface,
                                           public platform::windows::com::V8ComInvokeInterface {
public:
    using ComClasses = platform::windows::com::ComClasses;
    using TypeLibrary = platform::windows::com::TypeLibrary;
    using ScriptSettings = platform::windows::com::ScriptSettings;
    using RunResult = std::expected<v8::Local<v8::Value>, Error>;
    using ResultCallback = std::function<void(RunResult&, v8::Local<v8::Context>&)>;
    using ImportResolver =
        std::function<std::optional<std::pair<std::string, std::filesystem::path>>(ComV8Engine&, std::string_view)>;

    ComV8Engine(ComClasses& comClasses, TypeLibrary& typeLibrary, std::filesystem::path const& snapshotDirectory);
    ~ComV8Engine() override;
    ComV8Engine(ComV8Engine const&) = delete;
    ComV8Engine& operator=(ComV8Engine const&) = delete;

    // UnknownCreationInterface / DispatchCreationInterface
    void objectCreated(IUnknown* object) override;
    void objectDestroyed(IUnknown* object) override;
    std::uint64_t nextUniqueId() override;
    TypeLibrary& getTypeLibrary() override;

    // ScriptInterface
    void setErrorMessage(std::string_view message, bool keepExisting) override;
    IDispatch* getSharedInstance(std::string_view className) override;
    void breakScript() override;
    bool setScript(std::string_view source, ScriptSettings settings) override;
    std::string runScript() override;
    ScriptSettings getScriptSettings() override;
    void stopScript() override;
    void setDebugging(bool debugging) override;
    void setDebugPort(unsigned short port) override;

    // Shown by the debugger: `dialog(port)` before a debug run with no
    // debugger attached (true: wait for one), `disconnect` when it leaves.
    void setExecDebuggerDialog(std::function<bool(unsigned short)> dialog);
    void setExecWebsocketDisconnectDialog(std::function<void()> dialog);
    // The DevTools address of the inspector on `port`, for a dialog to show.
    static std::string debuggerFrontendUrl(unsigned short port);

    // V8ComInvokeInterface: calls the script function "Class.Member" that
    // stands for a member of a host class; true when it was found and called.
    bool invokeComFunction(GUID const* classGuid, OLECHAR const* memberName, DISPPARAMS* parameters,
                           VARIANT* result) override;

    // Calls script functions for COM as invokeComFunction does, one after
    // the other with the same arguments, for as long as `next` gives one; an
    // error of one is reported before the next runs. `name` names them in
    // messages. True when one was called; `result` holds what the last gave.
    bool invokeScriptFunctions(std::string_view name, DISPPARAMS* parameters, VARIANT* result,
                               std::function<std::optional<V8Engine::Callee>()> const& next);

    // Calls a global script function with arguments in natural order;
    // VT_EMPTY when there is none. Errors become the pending error. A host
    // calling many times in a row may hold a v8::Isolate::Scope of
    // getIsolate() around the calls, ended before the engine goes: entering
    // an isolate that no scope holds costs V8 an allocation and a lock.
    _variant_t callJsFunctionGetError(std::string_view functionName, std::vector<_variant_t>& arguments);
    // Calls an exported function of the top-level module. The caller has a
    // handle scope open on the engine's isolate for the result.
    std::expected<v8::Local<v8::Value>, Error> callModuleFunction(std::string_view functionName,
                                                                  std::vector<v8::Local<v8::Value>> arguments);

    // Runs the script once and hands its result to `onResult` while the
    // isolate and context are still entered. True when it produced a value.
    bool runScript(ResultCallback onResult);

    // Decides what Include, import and import() names mean; an empty resolver
    // restores reading files.
    void setImportResolverCallback(ImportResolver resolver);

    // What the engine does beyond its standard behaviour; nothing unless set.
    // Best set before the first run: conversions follow a change at once,
    // and the event functions appear when events are turned on.
    void setOptions(EngineOptions options);
    EngineOptions const& getOptions() const { return options; }

    // Limits and termination, each off until the host sets it. A run is a
    // runScript, or a call from the host or COM while no run is in progress;
    // a run that a limit or terminateScript ends fails with an error saying
    // why, reported like any other, and the engine runs the next one as usual.
    //
    // Ends the run in progress; safe from any thread, and nothing while no
    // run is in progress, so that it never ends the next one. A call into COM
    // that blocks is not interrupted: the run ends when it returns to script.
    void terminateScript();
    // Ends each run that goes on longer than `limit` (nothing: no limit). A
    // watchdog thread keeps the time once a run has a limit. The time counts
    // while a debugger holds the script paused.
    void setTimeLimit(std::optional<std::chrono::milliseconds> limit);
    // Bounds the engine's heap, before its first run (false after): a script
    // that fills it ends with an error instead of V8 ending the process.
    bool setHeapLimit(std::size_t bytes);
    // Bounds the memory of the engine's ArrayBuffers and typed arrays; past
    // it, making one throws a RangeError in the script. Any time.
    void setArrayBufferLimit(std::optional<std::size_t> bytes);

    // The engine's binding of the class `guid`, in its own class map. A
    // context read from the startup snapshot starts with an empty map: the
    // process's binding of a class is copied in when a script first needs
    // it, not for every class at each engine's start. Null when neither has
    // the class.
    V8Class* findClass(Guid const& guid);

    v8::Isolate* getIsolate() const { return isolate; }
    bool hasPendingError() const { return pendingError != nullptr; }
    // The module of the last successful module run, empty before one.
    v8::Local<v8::Module> getTopLevelModule() const { return topLevelModule.Get(isolate); }

private:
    void ensureIsolate();
    void initiateContext(std::function<void(ClassMap&)> beforeIsolate,
                         std::function<v8::Local<v8::Context>()> makeContext);
    v8::Local<v8::Context> createContext(v8::Isolate* isolate, ClassMap& classes, v8::SnapshotCreator* creator);
    static ClassMap& getClassMap(TypeLibrary& typeLibrary, ComClasses& comClasses);
    void addGlobalObjects(v8::Isolate* isolate, v8::Local<v8::Context> created, PendingGlobalObjects const& pending,
                          bool track);
    bool tryInitiateContextWithSnapshot();
    void initiateContextWithSnapshot();
    static std::vector<std::intptr_t> const& externalReferences(ClassMap const& classes);
    void makeStartupBlob(ClassMap& classes, std::vector<std::intptr_t> const& references);
    v8::Local<v8::Context> contextFromSnapshot();
    void stopWrappedObjects();
    // What options turned on since `before` add to the context: the script's
    // own Date functions taken, the event functions installed.
    void applyOptions(EngineOptions const& before);

    RunResult execute(struct Source const& source, v8::Local<v8::Context> context);
    std::optional<std::pair<std::string, std::filesystem::path>> resolveImport(std::string_view name);
    static void include(v8::FunctionCallbackInfo<v8::Value> const& info);

    RunResult executeModule(Source const& source, v8::Local<v8::Context> context);
    v8::MaybeLocal<v8::Module> resolveModule(v8::Local<v8::Context> context, v8::Local<v8::String> specifier,
                                             v8::Local<v8::Module> referrer);
    // Links the graph of `module`, imported as `name` (the top-level module
    // has none).
    bool link(v8::Local<v8::Module> module, v8::Local<v8::Context> context, std::optional<std::string> name);
    v8::MaybeLocal<v8::Promise> importDynamically(v8::Local<v8::Context> context, v8::Local<v8::String> specifier);
    void watchEvaluation(v8::Local<v8::Context> context, v8::Local<v8::Value> evaluation);
    static v8::MaybeLocal<v8::Module> resolveModuleCallback(v8::Local<v8::Context> context,
                                                            v8::Local<v8::String> specifier,
                                                            v8::Local<v8::FixedArray> importAssertions,
                                                            v8::Local<v8::Module> referrer);
    static v8::MaybeLocal<v8::Promise> importDynamicallyCallback(v8::Local<v8::Context> context,
                                                                 v8::Local<v8::Data> hostDefinedOptions,
                                                                 v8::Local<v8::Value> resourceName,
                                                                 v8::Local<v8::String> specifier,
                                                                 v8::Local<v8::FixedArray> importAssertions);
    static void callMeta(v8::Local<v8::Context> context, v8::Local<v8::Module> module, v8::Local<v8::Object> meta);
    static void reportLateRejection(v8::FunctionCallbackInfo<v8::Value> const& info);

    V8FuncResult callFunction(v8::Local<v8::Context> context, std::string_view name,
                              std::span<v8::Local<v8::Value>> arguments);
    // Runs a call from the host or COM: `plain` nested inside a call from COM,
    // where an exception must rise through the scripts between, else
    // `capturing`, whose error becomes the pending error.
    template <class Plain, class Capturing>
    V8FuncResult callCaptured(Plain const& plain, Capturing const& capturing);
    // A call from COM: converts its arguments, runs `call` (context, span of
    // arguments), converts the result, and reports errors at the outermost
    // depth.
    template <class Call>
    bool callFromCom(std::string_view name, DISPPARAMS* parameters, VARIANT* result, Call const& call);
    v8::Local<v8::String> functionKey(std::string_view name);
    // "Class.Member" for a call from COM; `spare` holds it when the engine
    // keeps no more names.
    std::string_view memberFunctionName(GUID const* classGuid, OLECHAR const* memberName, std::string& spare);
    // Fills `arguments` (as many as `variants`); false, with the error
    // recorded, when one cannot reach the script.
    bool scriptArguments(std::string_view name, VARIANT const* variants, bool reversed,
                         std::span<v8::Local<v8::Value>> arguments);
    std::optional<VARIANT> comResult(std::string_view name, V8FuncResult const& result);
    void recordMessage(std::string message);
    static void promiseRejected(v8::PromiseRejectMessage message);
    // The oldest rejection of the run that no handler took becomes the
    // pending error, unless one is pending already.
    void recordUnhandledRejections();

    void recordError(Error error);
    // One entry into script; the outermost one is a run, which the limits
    // bound and terminateScript ends.
    class RunScope {
    public:
        explicit RunScope(ComV8Engine& engine);
        ~RunScope();
        RunScope(RunScope const&) = delete;
        RunScope& operator=(RunScope const&) = delete;
        bool outermost() const { return run.has_value(); }

    private:
        ComV8Engine& engine;
        std::optional<ScriptTermination::RunId> run;
    };
    // The message of a run's error when the run was terminated.
    void describeTermination(Error& error) const;
    void disposeIsolate();
    // Runs `step` under the debugger when a debug run or call is due, else
    // directly.
    void debugged(bool functionCall, std::function<void()> const& step);
    void reportPendingError();
    void teardownIsolate();
    void releaseSharedInstances();

    ClassMap classMap;
    // The process's class map, once the engine has an isolate.
    ClassMap const* processClasses = nullptr;
    ComClasses& comClasses;
    TypeLibrary& typeLibrary;
    ScriptSettings settings;
    std::string source;
    std::vector<IDispatch*> sharedInstances;
    v8::Isolate::CreateParams createParams;
    v8::Isolate* isolate = nullptr;
    v8::Global<v8::Context> context;
    ObjectRegistry objectRegistry;
    std::unique_ptr<Error> pendingError;
    std::uint64_t callDepth = 0;
    bool critical = false;
    bool stopping = false;
    unsigned short debugPort = 9005;
    std::function<bool(unsigned short)> execDebuggerDialog;
    std::function<void()> execWebsocketDisconnectDialog;
    // Made by the first debug run; destroyed before anything else.
    std::unique_ptr<V8Debugger> debugger;
    ImportResolver importResolver;
    bool inModule = false;
    std::set<std::string> includedFiles;
    v8::Global<v8::Module> topLevelModule;
    EngineOptions options;
    // The import graph being linked, if any.
    ImportTree* linking = nullptr;
    // The script strings of the function names the host calls, made once.
    struct NameHash : std::hash<std::string_view> {
        using is_transparent = void;
    };
    std::unordered_map<std::string, v8::Global<v8::String>, NameHash, std::equal_to<>> functionKeys;
    // The function names of calls from COM, by class identifier and member
    // name (a key of the Guid's eight units, a mark for a class, then the
    // name). Entries stay until the engine goes.
    struct OleNameHash : std::hash<std::basic_string_view<OLECHAR>> {
        using is_transparent = void;
    };
    std::unordered_map<std::basic_string<OLECHAR>, std::string, OleNameHash, std::equal_to<>> memberFunctionNames;
    UnhandledRejections unhandledRejections;
    ScriptTermination termination;
    RunTimeLimit timeLimit{termination};
    HeapLimit heapLimit{termination};
    // Shared with the isolate, which may free backing stores as it goes.
    std::shared_ptr<BoundedArrayBufferAllocator> arrayBuffers = std::make_shared<BoundedArrayBufferAllocator>();
};

} // namespace qor::format::engine::javascript
