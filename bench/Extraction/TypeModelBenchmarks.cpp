// The type model over a large generated library (500 dual interfaces of 20
// members) and over a large real one (Wine's mshtml.tlb): extracting every
// class, and the lazy lookup of one type.

#include "Format/Engine/JavaScript/Com/ComExtractor.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

using qor::Guid;
using qor::format::engine::javascript::extractRegisteredComComponents;
using qor::platform::windows::com::TypeLibrary;

std::filesystem::path const largeLibrary = std::filesystem::path(QOR_BENCH_TYPELIB_DIR) / "QorLarge.tlb";

void loadAndExtractEverything(benchmark::State& state, std::filesystem::path const& file) {
    std::size_t classes = 0;
    for (auto _ : state) {
        TypeLibrary library;
        library.addPath(file);
        classes = extractRegisteredComComponents(library).classes.size();
        benchmark::DoNotOptimize(classes);
    }
    state.counters["classes"] = static_cast<double>(classes);
}
BENCHMARK_CAPTURE(loadAndExtractEverything, generated, largeLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadAndExtractEverything, mshtml, std::filesystem::path(QOR_BENCH_MSHTML_TLB))
    ->Unit(benchmark::kMillisecond);

void extractEverythingLoaded(benchmark::State& state) {
    TypeLibrary library;
    library.addPath(largeLibrary);
    library.loadAll();
    std::size_t functions = 0;
    for (auto _ : state) {
        auto const extract = extractRegisteredComComponents(library);
        functions = 0;
        for (auto const& comClass : extract.classes)
            functions += comClass.functions.size();
        benchmark::DoNotOptimize(functions);
    }
    state.counters["functions"] = static_cast<double>(functions);
}
BENCHMARK(extractEverythingLoaded)->Unit(benchmark::kMillisecond);

void findLoadedType(benchmark::State& state) {
    TypeLibrary library;
    library.addPath(largeLibrary);
    library.loadAll();
    Guid const guid = library.getEntries().begin()->first;
    for (auto _ : state)
        benchmark::DoNotOptimize(library.find(guid));
}
BENCHMARK(findLoadedType);

} // namespace
