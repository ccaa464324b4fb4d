// The engine's tasks: work posted from any thread, and the timers of
// scripts. Each runs on the engine's thread as a run of its own, as
// runScript is: the limits bound it, terminateScript ends it, its errors and
// unhandled rejections are reported as it ends.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"

#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Error.h"

#include <boost/container/small_vector.hpp>

#include <exception>
#include <memory>
#include <utility>

namespace qor::format::engine::javascript {
namespace {

using Clock = TimerQueue::Clock;

// True for as long as it lives.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag(flag) { flag = true; }
    ~FlagScope() { flag = false; }
    FlagScope(FlagScope const&) = delete;
    FlagScope& operator=(FlagScope const&) = delete;

private:
    bool& flag;
};

} // namespace

std::optional<Clock::time_point> ComV8Engine::Impl::runPendingTasks() {
    // A task that asks for the tasks to run, or an engine past a critical
    // error, runs none.
    if (!runningTasks && !critical) {
        if (isolate == nullptr && inbox->hasTasks())
            ensureIsolate();
        if (isolate != nullptr)
            runDueTasks();
    }
    if (inbox->hasTasks())
        return Clock::now();
    if (auto due = timers.nextDue())
        return due;
    // Only a post that will come: whenever it does.
    if (inbox->expectsPosts())
        return Clock::time_point::max();
    return std::nullopt;
}

void ComV8Engine::Impl::runDueTasks() {
    FlagScope running(runningTasks);
    tasksStopped = false;
    // Entered once for all the tasks; each is a run of its own inside.
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Context> local = context.Get(isolate);
    v8::Context::Scope contextScope(local);
    if (inbox->hasTasks())
        for (auto& task : inbox->take())
            runTask([&] { return runPosted(task); });
    // Timers set from here on wait for the next call.
    auto const roundEnd = timers.roundEnd();
    Clock::time_point const now = Clock::now();
    // One catcher for the round, rather than one registered with V8 and
    // let go for each timer: nothing runs between the timers.
    V8Engine::CaughtCall catcher(isolate);
    while (!tasksStopped) {
        auto due = timers.takeDue(now, roundEnd);
        if (!due)
            break;
        timers.currentNesting = due->timer.nesting;
        runTask([&] { return fire(local, due->timer, catcher); });
        timers.currentNesting = 0;
        timers.finished(*due, now);
    }
}

template <class Body>
void ComV8Engine::Impl::runTask(Body const& body) {
    v8::HandleScope handleScope(isolate);
    // Not an optional: that would clear an Error's room for every task.
    std::unique_ptr<Error> failure;
    bool outermost = false;
    {
        RunScope run(*this);
        outermost = run.outermost();
        failure = body();
    }
    // A stop asked for as the task ended is its error too; most tasks end
    // with nothing to report, and pay only the checks.
    if (!failure && outermost && termination.reason()) [[unlikely]]
        if (auto stopped = stopError())
            failure = std::make_unique<Error>(std::move(*stopped));
    if (failure) {
        describeTermination(*failure);
        recordError(std::move(*failure));
    }
    recordUnhandledRejections();
    reportPendingError();
}

std::unique_ptr<Error> ComV8Engine::Impl::runPosted(TaskInbox::Task& task) {
    v8::TryCatch tryCatch(isolate);
    tryCatch.SetVerbose(true);
    std::unique_ptr<Error> failure;
    try {
        task();
    } catch (std::exception const& exception) {
        failure = std::make_unique<Error>(V8Error::get(Error::Type::Message, nullptr, exception.what()));
    } catch (...) {
        failure = std::make_unique<Error>(V8Error::get(Error::Type::Message, nullptr, "A task failed"));
    }
    // What the host's task left thrown is its error.
    if (!failure && (tryCatch.HasCaught() || tryCatch.HasTerminated()))
        failure = std::make_unique<Error>(V8Error::get(Error::Type::Exception, isolate, tryCatch));
    // The promise jobs the task started (settling a promise from C++ starts
    // no call that would run them) are part of its run.
    if (!isolate->IsExecutionTerminating())
        isolate->PerformMicrotaskCheckpoint();
    return failure;
}

std::unique_ptr<Error> ComV8Engine::Impl::fire(v8::Local<v8::Context> local, TimerQueue::Timer const& timer,
                                               V8Engine::CaughtCall& catcher) {
    boost::container::small_vector<v8::Local<v8::Value>, 4> arguments;
    for (auto const& argument : timer.arguments)
        arguments.push_back(argument.Get(isolate));
    // Called on the global object, as browsers call timers. Called from no
    // script, the call runs the promise jobs it started as it returns.
    V8Engine::Callee const callee{local->Global(), timer.callback.Get(isolate)};
    V8FuncResult const called = V8Engine::callJsFunction(local, callee, {arguments.data(), arguments.size()});
    return catcher.take(isolate, called);
}

} // namespace qor::format::engine::javascript
