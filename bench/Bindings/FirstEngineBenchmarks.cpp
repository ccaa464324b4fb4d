// The first engine of a process, from the type library files to a first run.
// The process builds its class map once, so every measurement runs in a new
// child process: this program itself never starts V8.

#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>

namespace {

using qor::format::engine::javascript::ComV8Engine;

// Seconds that `measure` took in a child process, or nothing when it failed.
template <class Measure>
std::optional<double> inChild(Measure measure) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::nullopt;
    pid_t const child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        double const seconds = measure();
        ssize_t const written = write(pipeEnds[1], &seconds, sizeof seconds);
        _exit(written == sizeof seconds ? 0 : 1);
    }
    close(pipeEnds[1]);
    double seconds = 0;
    ssize_t const got = read(pipeEnds[0], &seconds, sizeof seconds);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != sizeof seconds || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return seconds;
}

// An engine over the process's registry and type library, up to the
// completion of a first run of `1`, in seconds.
double engineUpToFirstRun(ComV8Engine::ComClasses& classes, ComV8Engine::TypeLibrary& typeLibrary) {
    auto const start = std::chrono::steady_clock::now();
    ComV8Engine engine(classes, typeLibrary, ".");
    engine.setScript("1", {});
    if (engine.runScript() != "1")
        _exit(1);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

enum class Which { first, secondPlain, secondFromSnapshot };

// The process's first engine over `library` (none: no classes), or the
// second, whose context is built the plain way or read from the startup
// snapshot the first made.
double measureEngine(std::optional<std::filesystem::path> const& library, Which which) {
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    if (library)
        typeLibrary.addPath(*library);
    if (which == Which::secondPlain)
        qor::format::engine::javascript::StartupSnapshot::disable();
    double const first = engineUpToFirstRun(classes, typeLibrary);
    return which == Which::first ? first : engineUpToFirstRun(classes, typeLibrary);
}

void measure(benchmark::State& state, std::optional<std::filesystem::path> const& library,
             Which which = Which::first) {
    for (auto _ : state) {
        auto const seconds = inChild([&] { return measureEngine(library, which); });
        if (!seconds) {
            state.SkipWithError("the child process failed");
            break;
        }
        state.SetIterationTime(*seconds);
    }
}

void BM_FirstEngineNoClasses(benchmark::State& state) {
    measure(state, std::nullopt);
}
BENCHMARK(BM_FirstEngineNoClasses)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// 500 dual interfaces of 20 methods each.
void BM_FirstEngineLargeLibrary(benchmark::State& state) {
    measure(state, std::filesystem::path(QOR_BENCH_TYPELIB_DIR) / "QorLarge.tlb");
}
BENCHMARK(BM_FirstEngineLargeLibrary)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

std::filesystem::path largeLibrary() {
    return std::filesystem::path(QOR_BENCH_TYPELIB_DIR) / "QorLarge.tlb";
}

void BM_SecondEngineNoClassesPlain(benchmark::State& state) {
    measure(state, std::nullopt, Which::secondPlain);
}
BENCHMARK(BM_SecondEngineNoClassesPlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SecondEngineNoClassesFromSnapshot(benchmark::State& state) {
    measure(state, std::nullopt, Which::secondFromSnapshot);
}
BENCHMARK(BM_SecondEngineNoClassesFromSnapshot)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SecondEngineLargeLibraryPlain(benchmark::State& state) {
    measure(state, largeLibrary(), Which::secondPlain);
}
BENCHMARK(BM_SecondEngineLargeLibraryPlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SecondEngineLargeLibraryFromSnapshot(benchmark::State& state) {
    measure(state, largeLibrary(), Which::secondFromSnapshot);
}
BENCHMARK(BM_SecondEngineLargeLibraryFromSnapshot)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
