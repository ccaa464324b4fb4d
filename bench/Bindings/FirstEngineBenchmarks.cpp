// The first engine of a process, from the type library files to a first run.
// The process builds its class map once, so every measurement runs in a new
// child process: this program itself never starts V8.

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

// The process's first engine over `library` (none: no classes), up to the
// completion of a first run of `1`.
double firstEngine(std::optional<std::filesystem::path> const& library) {
    auto const start = std::chrono::steady_clock::now();
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    if (library)
        typeLibrary.addPath(*library);
    ComV8Engine engine(classes, typeLibrary, ".");
    engine.setScript("1", {});
    if (engine.runScript() != "1")
        _exit(1);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void measure(benchmark::State& state, std::optional<std::filesystem::path> const& library) {
    for (auto _ : state) {
        auto const seconds = inChild([&] { return firstEngine(library); });
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

} // namespace
