#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>

using qor::format::engine::javascript::ComV8Engine;

namespace {

// runScript() of a small script on an engine whose context already exists.
void runWarm(benchmark::State& state, std::optional<std::chrono::milliseconds> timeLimit) {
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    ComV8Engine engine(classes, typeLibrary, ".");
    engine.setTimeLimit(timeLimit);
    engine.setScript("var total = 0; for (var i = 0; i < 10; ++i) total += i; total", {});
    engine.runScript();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.runScript());
}

void RunScriptWarm(benchmark::State& state) { runWarm(state, std::nullopt); }
BENCHMARK(RunScriptWarm);

// The same with a time limit: each run arms and disarms the watchdog.
void RunScriptWarmWithTimeLimit(benchmark::State& state) { runWarm(state, std::chrono::seconds(10)); }
BENCHMARK(RunScriptWarmWithTimeLimit);

// Constructing an engine and its first run: isolate and context creation.
void ConstructAndFirstRun(benchmark::State& state) {
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    for (auto _ : state) {
        ComV8Engine engine(classes, typeLibrary, ".");
        engine.setScript("6*7", {});
        benchmark::DoNotOptimize(engine.runScript());
    }
}
BENCHMARK(ConstructAndFirstRun)->Unit(benchmark::kMillisecond);

} // namespace
