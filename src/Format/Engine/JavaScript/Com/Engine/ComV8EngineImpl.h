#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/EngineLifetime.h"
#include "Format/Engine/JavaScript/Com/ScriptFunction.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/Engine/ImportTree.h"
#include "Format/Engine/JavaScript/Com/Engine/ObjectRegistry.h"
#include "Format/Engine/JavaScript/Com/Engine/TimerQueue.h"
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
#include "Platform/Windows/Com/TaskInbox.h"
#include "Platform/Windows/Com/TypeLibrary.h"
#include "Platform/Windows/Com/V8ComInvokeInterface.h"

#include <boost/container/small_vector.hpp>
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

namespace ComHelper {
struct IncomingArgumentFailure;
enum class ConversionFailure;
} // namespace ComHelper

// What a ComV8Engine is made of: its isolate and context, class map, object
// registry, pending error, limits and debugger, and the runs that use them.
// The public face passes each call here; the library's own callbacks reach
// it through the isolate (IsolateData).
class ComV8Engine::Impl {
public:
    using ComClasses = ComV8Engine::ComClasses;
    using TypeLibrary = ComV8Engine::TypeLibrary;
    using ScriptSettings = ComV8Engine::ScriptSettings;
    using RunResult = ComV8Engine::RunResult;
    using ResultCallback = ComV8Engine::ResultCallback;
    using ImportResolver = ComV8Engine::ImportResolver;

    Impl(ComV8Engine& face, ComClasses& comClasses, TypeLibrary& typeLibrary,
         std::filesystem::path const& snapshotDirectory);
    ~Impl();
    Impl(Impl const&) = delete;
    Impl& operator=(Impl const&) = delete;

    // The engine's operations, as ComV8Engine.h describes them.
    void objectCreated(IUnknown* object);
    void objectDestroyed(IUnknown* object);
    std::uint64_t nextUniqueId();
    TypeLibrary& getTypeLibrary();

    void setErrorMessage(std::string_view message, bool keepExisting);
    IDispatch* getSharedInstance(std::string_view className);
    void breakScript();
    bool setScript(std::string_view source, ScriptSettings settings);
    std::string runScript();
    ScriptSettings getScriptSettings();
    void stopScript();
    void setDebugging(bool debugging);
    void setDebugPort(unsigned short port);

    void setExecDebuggerDialog(std::function<bool(unsigned short)> dialog);
    void setExecWebsocketDisconnectDialog(std::function<void()> dialog);

    bool invokeComFunction(GUID const* classGuid, OLECHAR const* memberName, DISPPARAMS* parameters,
                           VARIANT* result);

    // Calls script functions for COM as invokeComFunction does, one after
    // the other with the same arguments, for as long as `next` gives one; an
    // error of one is reported before the next runs. `name` names them in
    // messages. True when one was called; `result` holds what the last gave.
    bool invokeScriptFunctions(std::string_view name, DISPPARAMS* parameters, VARIANT* result,
                               std::function<std::optional<V8Engine::Callee>()> const& next);

    _variant_t callJsFunctionGetError(std::string_view functionName, std::vector<_variant_t>& arguments);

    // Handles to script functions, found as callJsFunctionGetError, a call
    // of the top-level module's export and invokeComFunction find them. The
    // error says why there is none; nothing is recorded.
    using ResolvedFunction = std::expected<std::shared_ptr<ScriptFunction::State>, Error>;
    ResolvedFunction resolveFunction(std::string_view name);
    ResolvedFunction resolveModuleFunction(std::string_view name);
    ResolvedFunction resolveComFunction(GUID const* classGuid, OLECHAR const* memberName);
    // A handle's call, as callJsFunctionGetError (`fromCom` false, arguments
    // in order) or invokeComFunction (true, last first) makes it.
    ScriptFunction::Result callResolved(ScriptFunction::State const& function, VARIANT const* arguments,
                                        std::size_t count, bool fromCom);
    // The last copy of a handle has gone.
    void forget(ScriptFunction::State& function) { resolvedFunctions.erase(&function); }

    // A HostCallScope: true when it entered the isolate, which it leaves
    // again unless the engine has gone.
    bool enterForScope();
    void leaveForScope();
    std::shared_ptr<EngineLifetime> const& lifetime() const { return alive; }

    std::expected<v8::Local<v8::Value>, Error> callModuleFunction(std::string_view functionName,
                                                                  std::vector<v8::Local<v8::Value>> arguments);

    bool runScript(ResultCallback onResult);

    void setImportResolverCallback(ImportResolver resolver);

    void setOptions(EngineOptions options);
    EngineOptions const& getOptions() const { return options; }

    void terminateScript();
    // Why the run in progress, or the last one, was asked to stop, in the
    // words of its error; nothing when it was not.
    std::optional<std::string> stopMessage() const;
    void setTimeLimit(std::optional<std::chrono::milliseconds> limit);
    void setRunDeadline(std::optional<RunTimeLimit::Clock::time_point> deadline) { timeLimit.setDeadline(deadline); }
    bool setHeapLimit(std::size_t bytes);
    void setArrayBufferLimit(std::optional<std::size_t> bytes);

    V8Class* findClass(Guid const& guid);

    std::optional<ComObjectView> viewComObject(v8::Local<v8::Value> value);
    std::optional<ComObjectView> viewComClass(std::string_view className);

    // The tasks of the engine's thread: posted ones first, then the timers
    // due, each a run. When the next is due; nothing when none is pending.
    std::optional<TimerQueue::Clock::time_point> runPendingTasks();
    void stopPendingTasks() { tasksStopped = runningTasks; }
    std::shared_ptr<platform::windows::com::TaskInbox> const& taskInbox() const { return inbox; }
    TimerQueue& timerQueue() { return timers; }

    // The error of a run, kept until a report point; the first one wins.
    void recordError(Error error);

    v8::Isolate* getIsolate() const { return isolate; }
    bool hasPendingError() const { return pendingError != nullptr; }
    // Hands the pending error, if any, to the error handler. Inline, as is
    // recordUnhandledRejections's check: every run ends with both, and most
    // have nothing for them.
    void reportPendingError() {
        if (pendingError) [[unlikely]]
            handOverPendingError();
    }
    v8::Local<v8::Module> getTopLevelModule() const { return topLevelModule.Get(isolate); }

private:
    void ensureIsolate();
    // The binding of the class of that name, this engine's first, then the
    // process's; null when neither has one.
    V8Class const* findClassNamed(std::string_view name) const;
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
    // The function `name` leads to from `holder`, as a handle.
    ResolvedFunction resolve(std::string_view name, v8::Local<v8::Object> (*holderOf)(Impl& engine, v8::Local<v8::Context>));
    // What the host keeps past the engine lets go of it: handles, scopes.
    void releaseHostHolds();
    // Runs `call`, a call from the host or COM, as a run or nested in one.
    // Nested inside a call from COM, its exception rises through the scripts
    // between; else what it throws becomes the pending error.
    template <class Call>
    V8FuncResult callCaptured(Call const& call);
    // The error of a call that failed (`failure`) or was stopped, as the
    // pending error.
    void recordFailedCall(std::unique_ptr<Error> failure, bool outermost);
    // A call from COM: converts its arguments, runs `call` (context, span of
    // arguments), converts the result, and reports errors at the outermost
    // depth.
    template <class Call>
    bool callFromCom(std::string_view name, DISPPARAMS* parameters, VARIANT* result, Call const& call);
    // What every call with VARIANTs does: enters the engine, converts the
    // arguments, runs `call` (context, span of arguments), hands what it gave
    // to `take` (a V8FuncResult) while its value is alive, and reports
    // errors at the outermost depth.
    template <class Call, class Take>
    void callWithVariants(std::string_view name, VARIANT const* variants, std::size_t count, bool reversed,
                          Call const& call, Take const& take);
    // The script strings of `name` and of its path's parts, made once; the
    // parts go to `parts`, which the result refers to.
    using PartKeys = boost::container::small_vector<v8::Local<v8::String>, 4>;
    V8Engine::FunctionName functionName(std::string_view name, PartKeys& parts);
    // "Class.Member" for a call from COM; `spare` holds it when the engine
    // keeps no more names.
    std::string_view memberFunctionName(GUID const* classGuid, OLECHAR const* memberName, std::string& spare);
    // Converts what a call gave into `target`, empty, which stays empty when
    // it gave nothing; false, with the error recorded, when it cannot cross.
    bool comResult(std::string_view name, V8FuncResult const& result, VARIANT& target);
    // The errors of the two conversions of a call.
    void recordArgumentFailure(std::string_view name, ComHelper::IncomingArgumentFailure const& failure);
    void recordResultFailure(std::string_view name, ComHelper::ConversionFailure failure);
    void recordMessage(std::string message);
    static void promiseRejected(v8::PromiseRejectMessage message);
    // The oldest rejection of the run that no handler took becomes the
    // pending error, unless one is pending already.
    void recordUnhandledRejections() {
        if (!unhandledRejections.empty()) [[unlikely]]
            recordRejectionsLeft();
    }
    void recordRejectionsLeft();
    void handOverPendingError();

    // The beginning and the end of one entry into script; the outermost one
    // is a run, which the limits bound and terminateScript ends. `beginRun`
    // gives the run's id for the outermost, `endRun` is true as it ends.
    // Inline: every host call is a run.
    std::optional<ScriptTermination::RunId> beginRun() {
        auto run = termination.begin();
        if (run)
            timeLimit.arm(*run);
        return run;
    }
    bool endRun() {
        if (!termination.end())
            return false;
        timeLimit.disarm();
        heapLimit.restore();
        return true;
    }
    friend class ScriptEntry;
    // One entry into script, for as long as it lasts.
    class RunScope {
    public:
        explicit RunScope(Impl& engine) : engine(engine), run(engine.beginRun()) {}
        ~RunScope() { engine.endRun(); }
        RunScope(RunScope const&) = delete;
        RunScope& operator=(RunScope const&) = delete;
        bool outermost() const { return run.has_value(); }

    private:
        Impl& engine;
        std::optional<ScriptTermination::RunId> run;
    };
    // The message of a run's error when the run was terminated.
    void describeTermination(Error& error) const;
    // The error of a run asked to stop that ended before V8 acted on it: the
    // stop is never lost.
    std::optional<Error> stopError() const;
    void disposeIsolate();
    // The posted tasks, then the timers due, with the context entered.
    void runDueTasks();
    // Runs `body()`, which gives the error it met if any, as a run of its
    // own, and reports its errors.
    template <class Body>
    void runTask(Body const& body);
    // The bodies of the two kinds of task, each with V8's microtask
    // checkpoint after it.
    std::unique_ptr<Error> runPosted(platform::windows::com::TaskInbox::Task& task);
    // `catcher` serves the round's timers, one after the other.
    std::unique_ptr<Error> fire(v8::Local<v8::Context> context, TimerQueue::Timer const& timer,
                                V8Engine::CaughtCall& catcher);
    // Runs `step` under the debugger when a debug run or call is due, else
    // directly.
    void debugged(bool functionCall, std::function<void()> const& step);
    void teardownIsolate();
    void releaseSharedInstances();

    // The public face: the engine as hosts, COM objects and resolvers see it.
    ComV8Engine& face;
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
    struct FunctionKeys {
        v8::Global<v8::String> whole;
        std::vector<v8::Global<v8::String>> parts;
    };
    std::unordered_map<std::string, FunctionKeys, NameHash, std::equal_to<>> functionKeys;
    // The function names of calls from COM, by class identifier and member
    // name (a key of the Guid's eight units, a mark for a class, then the
    // name). Entries stay until the engine goes.
    struct OleNameHash : std::hash<std::basic_string_view<OLECHAR>> {
        using is_transparent = void;
    };
    std::unordered_map<std::basic_string<OLECHAR>, std::string, OleNameHash, std::equal_to<>> memberFunctionNames;
    UnhandledRejections unhandledRejections;
    // The handles the host holds, which must let go before the isolate goes.
    std::unordered_set<ScriptFunction::State*> resolvedFunctions;
    // The entries into the isolate that HostCallScopes hold, and the handle
    // scope and the catcher the outermost holds.
    unsigned scopesEntered = 0;
    std::optional<v8::HandleScope> hostHandles;
    // What the outermost catches with, for the calls made under it that no
    // script is below (callCaptured); made once rather than at each call.
    std::optional<V8Engine::CaughtCall> hostCatcher;
    std::shared_ptr<EngineLifetime> alive = std::make_shared<EngineLifetime>(EngineLifetime{this});
    ScriptTermination termination;
    RunTimeLimit timeLimit{termination};
    HeapLimit heapLimit{termination};
    // Shared with the isolate, which may free backing stores as it goes.
    std::shared_ptr<BoundedArrayBufferAllocator> arrayBuffers = std::make_shared<BoundedArrayBufferAllocator>();
    // Open while the option eventLoop is on; shared with the threads that
    // post, which may outlive the engine.
    std::shared_ptr<platform::windows::com::TaskInbox> inbox = std::make_shared<platform::windows::com::TaskInbox>();
    TimerQueue timers;
    // Set while runPendingTasks runs: a task that calls it runs nothing.
    bool runningTasks = false;
    // Set by stopPendingTasks: the timers left wait for the next call.
    bool tasksStopped = false;
};

} // namespace qor::format::engine::javascript
