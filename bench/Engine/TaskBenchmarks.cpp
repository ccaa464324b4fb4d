// The engine's task queue against plain calls of the same script function:
// a zero-delay timer (set by the script, fired by runPendingTasks), a task
// posted from another thread, a bare v8::Function::Call, a call through a
// resolved handle (a run, as each task is), and the timers' cost as
// thousands of them wait.

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/EngineOptions.h"
#include "Format/Engine/JavaScript/Com/HostCallScope.h"
#include "Format/Engine/JavaScript/Com/ScriptFunction.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>
#include <vector>

using qor::format::engine::javascript::ComV8Engine;
using qor::format::engine::javascript::EngineOptions;
using qor::format::engine::javascript::HostCallScope;

namespace {

// Timers go in batches: one host call sets them, one runPendingTasks fires
// them, so that neither call's cost is counted for each.
constexpr int batch = 100;

// An engine with the task queue on, the function `f` and `schedule(n)`,
// which sets n zero-delay timers of f.
class TaskEngine {
public:
    TaskEngine() {
        EngineOptions options;
        options.eventLoop = true;
        engine.setOptions(options);
        engine.setScript("var calls = 0; function f() { ++calls; }"
                         "function schedule(n) { for (let i = 0; i < n; ++i) setTimeout(f, 0); }"
                         "function wait(n) { for (let i = 0; i < n; ++i) setTimeout(f, 1e9); }",
                         {});
        engine.runScript();
    }
    void call(char const* name, int count) {
        std::vector<_variant_t> arguments{_variant_t(LONG{count})};
        engine.callJsFunctionGetError(name, arguments);
    }

    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    ComV8Engine engine{classes, typeLibrary, "."};
};

// The baseline: f called through V8 alone, a handle scope each.
void BareFunctionCall(benchmark::State& state) {
    TaskEngine tasks;
    v8::Isolate* isolate = tasks.engine.getIsolate();
    v8::Global<v8::Context> context;
    v8::Global<v8::Function> function;
    tasks.engine.setScript("f", {});
    tasks.engine.runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>& local) {
        context.Reset(isolate, local);
        function.Reset(isolate, result->As<v8::Function>());
    });
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope outer(isolate);
    v8::Local<v8::Context> local = context.Get(isolate);
    v8::Context::Scope contextScope(local);
    v8::Local<v8::Function> f = function.Get(isolate);
    for (auto _ : state) {
        v8::HandleScope scope(isolate);
        benchmark::DoNotOptimize(f->Call(local, v8::Undefined(isolate), 0, nullptr).ToLocalChecked());
    }
}
BENCHMARK(BareFunctionCall);

// f through its handle, the isolate held entered as runPendingTasks holds it
// for its tasks: a run each.
void HandleCall(benchmark::State& state) {
    TaskEngine tasks;
    auto f = tasks.engine.resolveFunction("f");
    HostCallScope entered(tasks.engine);
    for (auto _ : state)
        benchmark::DoNotOptimize(f->call({}));
}
BENCHMARK(HandleCall);

// setTimeout(f, 0) and its firing, each a run of its own.
void ZeroDelayTimer(benchmark::State& state) {
    TaskEngine tasks;
    for (auto _ : state) {
        tasks.call("schedule", batch);
        tasks.engine.runPendingTasks();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(ZeroDelayTimer);

// The same with n timers waiting, due much later: setting and firing one
// stay O(log n).
void ZeroDelayTimerWithWaiting(benchmark::State& state) {
    TaskEngine tasks;
    tasks.call("wait", static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tasks.call("schedule", batch);
        tasks.engine.runPendingTasks();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(ZeroDelayTimerWithWaiting)->Arg(1000)->Arg(10000)->Arg(100000);

// Posted on another thread, run on the engine's: one at a time, the poster
// posting the next once the last has run.
void PostedTaskRoundTrip(benchmark::State& state) {
    TaskEngine tasks;
    std::atomic<long> ran{0};
    std::atomic<bool> done{false};
    std::thread poster([&] {
        long posted = 0;
        while (!done.load(std::memory_order_acquire)) {
            if (ran.load(std::memory_order_acquire) != posted) {
                std::this_thread::yield();
                continue;
            }
            ++posted;
            tasks.engine.post([&] { ran.fetch_add(1, std::memory_order_release); });
        }
    });
    for (auto _ : state) {
        long const next = ran.load(std::memory_order_acquire) + 1;
        while (ran.load(std::memory_order_acquire) < next)
            tasks.engine.runPendingTasks();
    }
    done = true;
    poster.join();
}
BENCHMARK(PostedTaskRoundTrip)->UseRealTime();

} // namespace
