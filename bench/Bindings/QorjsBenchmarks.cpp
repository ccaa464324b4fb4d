// Whole qorjs processes over a large real type library (Wine's mshtml.tlb):
// the first engine up to a first run, beside an engine with no classes, and
// the class listing. Each iteration is one process; the figure is the CPU
// time it took (user and system, all its threads: steadier than its wall
// time on a shared machine), with the mean wall time and the largest peak
// memory of the children beside it. The first runs are measured again with
// glibc's heap on transparent huge pages, as a host may choose: most of a
// large model's extra cost is the first touch of fresh memory.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Finished {
    double cpuSeconds;
    double wallSeconds;
    long peakKiB;
};

double secondsOf(timeval const& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

enum class Heap { asIs, hugePages };

// This process's environment, with glibc's heap on huge pages for `hugePages`.
std::vector<char*> environmentFor(Heap heap) {
    static char hugePages[] = "GLIBC_TUNABLES=glibc.malloc.hugetlb=1";
    std::vector<char*> variables;
    for (char** variable = environ; *variable != nullptr; ++variable)
        if (heap == Heap::asIs || std::strncmp(*variable, "GLIBC_TUNABLES=", 15) != 0)
            variables.push_back(*variable);
    if (heap == Heap::hugePages)
        variables.push_back(hugePages);
    variables.push_back(nullptr);
    return variables;
}

// Runs qorjs with `arguments`, its output thrown away; nothing when it could
// not be started or failed.
std::optional<Finished> runQorjs(std::vector<std::string> arguments, Heap heap) {
    arguments.insert(arguments.begin(), QOR_BENCH_QORJS);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> environment = environmentFor(heap);
    auto const start = std::chrono::steady_clock::now();
    pid_t child = 0;
    int const spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    double const wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return Finished{secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime), wall, usage.ru_maxrss};
}

void measure(benchmark::State& state, std::vector<std::string> const& arguments, Heap heap = Heap::asIs) {
    long peak = 0;
    double wall = 0;
    for (auto _ : state) {
        auto const finished = runQorjs(arguments, heap);
        if (!finished) {
            state.SkipWithError("qorjs failed");
            break;
        }
        state.SetIterationTime(finished->cpuSeconds);
        wall += finished->wallSeconds;
        peak = std::max(peak, finished->peakKiB);
    }
    state.counters["wall_ms"] = benchmark::Counter(wall * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
}

void BM_QorjsFirstRunNoClasses(benchmark::State& state) {
    measure(state, {"-e", "1"});
}
BENCHMARK(BM_QorjsFirstRunNoClasses)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QorjsFirstRunMshtml(benchmark::State& state) {
    measure(state, {"--host", QOR_BENCH_MSHTML_HOST, "-e", "1"});
}
BENCHMARK(BM_QorjsFirstRunMshtml)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QorjsFirstRunNoClassesHugePageHeap(benchmark::State& state) {
    measure(state, {"-e", "1"}, Heap::hugePages);
}
BENCHMARK(BM_QorjsFirstRunNoClassesHugePageHeap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QorjsFirstRunMshtmlHugePageHeap(benchmark::State& state) {
    measure(state, {"--host", QOR_BENCH_MSHTML_HOST, "-e", "1"}, Heap::hugePages);
}
BENCHMARK(BM_QorjsFirstRunMshtmlHugePageHeap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QorjsListClassesMshtml(benchmark::State& state) {
    measure(state, {"--typelib", QOR_BENCH_MSHTML_TLB, "--list-classes"});
}
BENCHMARK(BM_QorjsListClassesMshtml)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
