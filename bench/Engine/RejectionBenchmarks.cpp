#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <benchmark/benchmark.h>

#include <string>

using qor::format::engine::javascript::ComV8Engine;

namespace {

// A run that makes N promises, settled by `settle`, then handles them oldest
// first, as Promise.allSettled over async functions that fail at once does.
void settleThenHandle(benchmark::State& state, std::string const& settle) {
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    ComV8Engine engine(classes, typeLibrary, ".");
    std::string const count = std::to_string(state.range(0));
    engine.setScript("(() => { const ps = []; for (let i = 0; i < " + count + "; ++i) ps.push(" + settle +
                         "); ps.forEach(p => p.catch(() => {})); return ps.length; })()",
                     {});
    if (engine.runScript() != count)
        state.SkipWithError("the script did not run");
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.runScript());
    state.SetComplexityN(state.range(0));
}

// Each handler takes back one rejection the engine keeps until the run ends.
void HandleRejectionsOldestFirst(benchmark::State& state) {
    settleThenHandle(state, "Promise.reject(i)");
}
BENCHMARK(HandleRejectionsOldestFirst)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Complexity();

// The same without rejections: what V8 itself spends.
void HandleFulfilledPromises(benchmark::State& state) {
    settleThenHandle(state, "Promise.resolve(i)");
}
BENCHMARK(HandleFulfilledPromises)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Complexity();

} // namespace
