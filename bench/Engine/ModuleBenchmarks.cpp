#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include "Support/ScriptFiles.h"

#include <benchmark/benchmark.h>

#include <map>

using qor::format::engine::javascript::ComV8Engine;

namespace {

// A module importing three others, each of them compiled afresh on every run
// since the engine keeps no module cache.
std::map<std::string, std::string> const threeImports{
    {"./a.mjs", "export function a(x) { return x + 1; }"},
    {"./b.mjs", "export const b = [1, 2, 3].map(n => n * 2);"},
    {"./c.mjs", "export class C { constructor(v) { this.v = v; } twice() { return this.v * 2; } }"},
};
std::string_view const mainModule = "import { a } from './a.mjs';\n"
                                    "import { b } from './b.mjs';\n"
                                    "import { C } from './c.mjs';\n"
                                    "globalThis.result = new C(a(b.length)).twice();\n";

ComV8Engine::ScriptSettings moduleSettings() {
    ComV8Engine::ScriptSettings settings;
    settings.path = "main.mjs";
    settings.isModule = true;
    return settings;
}

// Texts from the host's resolver: the engine's own cost of a module run.
void ModuleWithThreeImports(benchmark::State& state) {
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    ComV8Engine engine(classes, typeLibrary, ".");
    engine.setImportResolverCallback(
        [](ComV8Engine&, std::string_view name) -> std::optional<std::pair<std::string, std::filesystem::path>> {
            auto found = threeImports.find(std::string(name));
            if (found == threeImports.end())
                return std::nullopt;
            return std::pair{found->second, std::filesystem::path(found->first)};
        });
    engine.setScript(mainModule, moduleSettings());
    engine.runScript();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.runScript());
    if (engine.hasPendingError())
        state.SkipWithError("the module run failed");
}
BENCHMARK(ModuleWithThreeImports)->Unit(benchmark::kMicrosecond);

// The same with the engine reading the three files itself.
void ModuleWithThreeImportsFromFiles(benchmark::State& state) {
    qor::test::ScriptFiles files;
    std::string text(mainModule);
    for (auto const& [name, code] : threeImports) {
        files.write(name, code);
        auto const absolute = files.name(name.substr(2));
        for (auto at = text.find("'" + name + "'"); at != std::string::npos; at = text.find("'" + name + "'"))
            text.replace(at + 1, name.size(), absolute);
    }
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    ComV8Engine engine(classes, typeLibrary, ".");
    engine.setScript(text, moduleSettings());
    engine.runScript();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.runScript());
    if (engine.hasPendingError())
        state.SkipWithError("the module run failed");
}
BENCHMARK(ModuleWithThreeImportsFromFiles)->Unit(benchmark::kMicrosecond);

} // namespace
