// Walking a 100,000-item COM collection from script: Item(i) calls against
// Enumerator and for...of, and new ActiveXObject of a registered in-process
// server. The collection is a range of the sample spreadsheet, created
// through the component registry as any script would; Enumerator's by-index
// strategy walks a host collection of strings the host passes in.

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Platform/Com.h"
#include "Support/HostCollection.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using qor::format::engine::javascript::ComV8Engine;

constexpr int items = 100000;

// Registers the sample in a registry file of the benchmark's own, once.
bool registerSample() {
    static bool const registered = [] {
        std::filesystem::path const registry = std::filesystem::temp_directory_path() / "qor-bench-ole-registry.json";
        std::filesystem::remove(registry);
        setenv("QOR_OLE_REGISTRY", registry.c_str(), 1);
        std::string const path = QOR_SPREADSHEET_LIBRARY;
        HMODULE module = LoadLibraryW(std::u16string(path.begin(), path.end()).c_str());
        auto call = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
        return module && call && SUCCEEDED(call());
    }();
    return registered;
}

class Host {
public:
    static Host& instance() {
        static Host host;
        return host;
    }
    ComV8Engine& engine() { return *engine_; }

private:
    Host() { engine_ = std::make_unique<ComV8Engine>(classes_, library_, "."); }

    qor::platform::windows::com::ComClasses classes_;
    qor::platform::windows::com::TypeLibrary library_;
    std::unique_ptr<ComV8Engine> engine_;
};

std::string const setup = "var range = new ActiveXObject('QorSpreadsheet.Application').ActiveWorkbook.ActiveSheet"
                          ".Range(1, 1, " + std::to_string(items / 2) + ", 2);\n";

void walk(benchmark::State& state, std::string const& body, int perRun = items) {
    if (!registerSample())
        return state.SkipWithError("the sample could not be registered");
    ComV8Engine& engine = Host::instance().engine();
    engine.setScript("(function () {\n" + setup + "let seen = 0;\n" + body + "\nreturn String(seen); })()", {});
    std::string result;
    for (auto _ : state)
        result = engine.runScript();
    if (result != std::to_string(perRun))
        state.SkipWithError(("the walk saw " + result).c_str());
    state.counters["per_item"] = benchmark::Counter(static_cast<double>(state.iterations()) * perRun,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_IndexedItemCalls(benchmark::State& state) {
    walk(state, "for (let i = 0, n = range.Count; i < n; ++i) { range.Item(i); ++seen; }");
}
BENCHMARK(BM_IndexedItemCalls)->Unit(benchmark::kMillisecond);

void BM_EnumeratorOverIEnumVARIANT(benchmark::State& state) {
    walk(state, "for (let e = new Enumerator(range); !e.atEnd(); e.moveNext()) { e.item(); ++seen; }");
}
BENCHMARK(BM_EnumeratorOverIEnumVARIANT)->Unit(benchmark::kMillisecond);

// The host collection interface, by index. Its items are strings rather
// than cells, so set beside the Item(i) walk it is a rough comparison.
void walkHostCollection(benchmark::State& state, std::string const& body) {
    // Kept for the process: the script's wrapper may hold it until a later
    // collection.
    static auto& collection = *new qor::test::HostCollection(std::vector<std::u16string>(items, u"item"), false);
    ComV8Engine& engine = Host::instance().engine();
    engine.setScript("function walk(c) { let seen = 0;\n" + body + "\nreturn seen; }", {});
    engine.runScript();
    std::vector<_variant_t> arguments(1);
    LONG seen = 0;
    for (auto _ : state) {
        arguments[0] = static_cast<IDispatch*>(static_cast<qor::test::TypedDispatch*>(&collection));
        seen = engine.callJsFunctionGetError("walk", arguments).lVal;
    }
    if (seen != items)
        state.SkipWithError(("the walk saw " + std::to_string(seen)).c_str());
    state.counters["per_item"] = benchmark::Counter(static_cast<double>(state.iterations()) * items,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_EnumeratorOverHostCollection(benchmark::State& state) {
    walkHostCollection(state, "for (let e = new Enumerator(c); !e.atEnd(); e.moveNext()) { e.item(); ++seen; }");
}
BENCHMARK(BM_EnumeratorOverHostCollection)->Unit(benchmark::kMillisecond);

void BM_ForOf(benchmark::State& state) {
    walk(state, "for (const cell of range) ++seen;");
}
BENCHMARK(BM_ForOf)->Unit(benchmark::kMillisecond);

void BM_NewActiveXObject(benchmark::State& state) {
    walk(state, "for (let i = 0; i < 10000; ++i) { new ActiveXObject('QorSpreadsheet.Point'); ++seen; }", 10000);
}
BENCHMARK(BM_NewActiveXObject)->Unit(benchmark::kMillisecond);

} // namespace
