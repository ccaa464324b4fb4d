#pragma once

#include "Format/Engine/JavaScript/Com/ComObjectView.h"
#include "Format/Engine/JavaScript/Com/EngineOptions.h"
#include "Format/Engine/JavaScript/Com/Export.h"
#include "Format/Engine/JavaScript/Com/ScriptFunction.h"
#include "Format/Engine/JavaScript/Error.h"
#include "Id/Guid.h"
#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/ScriptInterface.h"
#include "Platform/Windows/Com/TaskPostingInterface.h"
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
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {

struct V8Class;

// One script environment: a V8 isolate with one context whose global object
// carries the host's COM classes, ActiveXObject, Enumerator and Include.
// Created empty; the isolate and context come with the first run.
// Everything it is made of lives behind `Impl`, so that a host includes no
// more than this header's own types.
class QOR_JAVASCRIPT_COM_API ComV8Engine : public platform::windows::com::ScriptInterface,
                                           public platform::windows::com::V8ComInvokeInterface,
                                           public platform::windows::com::TaskPostingInterface {
public:
    using ComClasses = platform::windows::com::ComClasses;
    using TypeLibrary = platform::windows::com::TypeLibrary;
    using ScriptSettings = platform::windows::com::ScriptSettings;
    using RunResult = std::expected<v8::Local<v8::Value>, Error>;
    using ResultCallback = std::function<void(RunResult&, v8::Local<v8::Context>&)>;
    using ImportResolver =
        std::function<std::optional<std::pair<std::string, std::filesystem::path>>(ComV8Engine&, std::string_view)>;
    using TaskInbox = platform::windows::com::TaskInbox;
    using Task = TaskInbox::Task;

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

    // Calls a global script function with arguments in natural order;
    // VT_EMPTY when there is none. Errors become the pending error. A host
    // calling many times in a row may hold a HostCallScope around the calls.
    _variant_t callJsFunctionGetError(std::string_view functionName, std::vector<_variant_t>& arguments);
    // A handle to a script function, resolved now and called later without a
    // look-up (ScriptFunction.h): the global function or path
    // ("Sheet.OnChange") that callJsFunctionGetError would call, the
    // top-level module's export, or the function invokeComFunction would
    // call for the class and member. Fails with "Function not found", with
    // the script's exception when the look-up threw, or when no script (or
    // no module) has run; nothing becomes the pending error.
    std::expected<ScriptFunction, Error> resolveFunction(std::string_view name);
    std::expected<ScriptFunction, Error> resolveModuleFunction(std::string_view name);
    std::expected<ScriptFunction, Error> resolveComFunction(GUID const* classGuid, OLECHAR const* memberName);
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
    EngineOptions const& getOptions() const;

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
    // Ends any run still going at `deadline` (nothing: none), however short
    // it was, as the time limit does and in its words: a host that bounds a
    // script together with its tasks and the waits between them sets both.
    void setRunDeadline(std::optional<std::chrono::steady_clock::time_point> deadline);
    // Bounds the engine's heap, before its first run (false after): a script
    // that fills it ends with an error instead of V8 ending the process.
    bool setHeapLimit(std::size_t bytes);
    // Bounds the memory of the engine's ArrayBuffers and typed arrays; past
    // it, making one throws a RangeError in the script. Any time.
    void setArrayBufferLimit(std::optional<std::size_t> bytes);

    // Asynchronous scripts, with EngineOptions::eventLoop on. The engine
    // keeps a queue of tasks for its thread: the timers scripts set, and the
    // work other threads post. The host runs it from its own loop:
    //
    // Runs the posted tasks, then the timers due, each a run (as runScript,
    // with V8's microtask checkpoint after it), and returns: when the next
    // task is due, so that the loop may sleep until then; time_point::max()
    // when only a post expected from another thread (TaskInbox::expect) is
    // pending; nothing when no task is. On the engine's thread, outside runs;
    // called from a task, it runs nothing.
    std::optional<std::chrono::steady_clock::time_point> runPendingTasks();
    // Ends the runPendingTasks in progress once the task running now has
    // ended: the timers due that have not run stay set, for the next call
    // (the posted tasks it has taken still run). For a host whose loop ends
    // at a task's failure or at an exit the script asks for, as Node's does,
    // so that no later timer runs first; called from the error handler or a
    // host function. On the engine's thread; nothing outside runPendingTasks.
    void stopPendingTasks();
    // Any thread: hands `task` to the engine's thread, where the next
    // runPendingTasks runs it. False when the option is off or the engine is
    // gone: the task is destroyed then, not run. A thread that may outlive
    // the engine posts through getTaskInbox instead.
    bool post(Task task);
    // Called on the posting thread after each post, so that the host's loop
    // wakes (a PostMessage, a write to a pipe, a condition variable). It must
    // not call the engine.
    void setTaskWakeUp(std::function<void()> wakeUp);
    // TaskPostingInterface: the queue's inbox, which threads may keep.
    std::shared_ptr<TaskInbox> getTaskInbox() override;

    // The engine's binding of the class `guid`, in its own class map. A
    // context read from the startup snapshot starts with an empty map: the
    // process's binding of a class is copied in when a script first needs
    // it, not for every class at each engine's start. Null when neither has
    // the class.
    V8Class* findClass(Guid const& guid);

    // For tools that show or complete script values (the caller has the
    // engine's isolate entered, with a handle scope). What `value` stands
    // for when it is a COM object or a script Enumerator, taken from the
    // bindings alone: nothing for any other value.
    std::optional<ComObjectView> viewComObject(v8::Local<v8::Value> value);
    // The members of the class of that name, as viewComObject gives them:
    // where a property's valueClass leads. Nothing for a class the engine
    // does not bind, and before the first run.
    std::optional<ComObjectView> viewComClass(std::string_view className);

    v8::Isolate* getIsolate() const;
    bool hasPendingError() const;
    // Hands the pending error to errorHandler now, as the end of a run does
    // with its own: for hosts that run statements one by one, where an error
    // recorded after a statement's run (an unhandled rejection, a missing
    // Include) belongs to that statement. Without a handler it stays pending.
    void reportPendingError();
    // The module of the last successful module run, empty before one.
    v8::Local<v8::Module> getTopLevelModule() const;

    // What the engine is made of, for the library's own code.
    class Impl;
    Impl& implementation() { return *impl; }

private:
    // A ScriptFunction of what the engine resolved.
    static ScriptFunction handle(std::shared_ptr<ScriptFunction::State> state);

    std::unique_ptr<Impl> impl;
};

} // namespace qor::format::engine::javascript
