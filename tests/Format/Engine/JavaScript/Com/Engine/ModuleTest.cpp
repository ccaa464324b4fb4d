// What a run pulls in and what it leaves pending: modules, import(),
// Include, and the rejections nobody handled.

#include "Support/EngineFixture.h"
#include "Support/ScriptFiles.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/EngineOptions.h"

#include <gmock/gmock.h>

#include <map>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

using Found = std::optional<std::pair<std::string, std::filesystem::path>>;

// Modules served from memory by a host resolver that notes every name asked.
class ModuleTest : public qor::test::EngineFixture {
protected:
    ModuleTest() {
        engine->setImportResolverCallback([this](ComV8Engine&, std::string_view name) -> Found {
            asked.emplace_back(name);
            auto text = modules.find(std::string(name));
            if (text == modules.end())
                return std::nullopt;
            return std::pair{text->second, std::filesystem::path(u8"lib") / std::u8string(name.begin(), name.end())};
        });
    }

    static ComV8Engine::ScriptSettings moduleSettings(std::string path = "main.mjs") {
        ComV8Engine::ScriptSettings settings;
        settings.path = std::move(path);
        settings.isModule = true;
        return settings;
    }
    std::string runModule(std::string_view text) { return run(text, moduleSettings()); }
    std::string runClassic(std::string_view text) {
        ComV8Engine::ScriptSettings settings;
        settings.path = "main.js";
        return run(text, settings);
    }
    // What the host hears once it stops the engine.
    std::vector<std::string> stopped() {
        engine->stopScript();
        return reportedMessages();
    }

    // Runs a module through the callback form and gives the state of its promise.
    v8::Promise::PromiseState runModuleForState(std::string_view text) {
        engine->setScript(text, moduleSettings());
        v8::Promise::PromiseState state = v8::Promise::kPending;
        engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) {
            ASSERT_TRUE(result) << result.error().message;
            ASSERT_TRUE((*result)->IsPromise());
            state = result->As<v8::Promise>()->State();
        });
        return state;
    }

    std::map<std::string, std::string> modules;
    std::vector<std::string> asked;
};

// --- running a module --------------------------------------------------------

// qorjs's fault suite shows that the kind comes from the settings alone, not
// from the file's name.

TEST_F(ModuleTest, KeepsTheLastSuccessfulModuleAsTopLevel) {
    runModule("export const which = 'first';");
    v8::Isolate* isolate = engine->getIsolate();
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope scope(isolate);
    v8::Local<v8::Module> first = engine->getTopLevelModule();
    ASSERT_FALSE(first.IsEmpty());

    runModule("export const = ;");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(engine->getTopLevelModule(), first);
    run("'a classic run leaves it too'");
    EXPECT_EQ(engine->getTopLevelModule(), first);

    runModule("export const which = 'second';");
    EXPECT_NE(engine->getTopLevelModule(), first);
}

// --- failures of the top-level module -----------------------------------------

TEST_F(ModuleTest, AFailureAfterTheRunEndedBecomesThePendingError) {
    EXPECT_EQ(runModuleForState("await new Promise(r => globalThis.resume = r);\nthrow new Error('late');"),
              v8::Promise::kPending);
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(run("resume(); 'resumed'"), "resumed");
    EXPECT_TRUE(engine->hasPendingError());
    engine->stopScript();
    EXPECT_THAT(reportedMessages(), ElementsAre("Uncaught Error: late"));
    EXPECT_EQ(reported[0].resourceName, "main.mjs");
    EXPECT_EQ(reported[0].lineNumber, 2);
    // One that waits forever reports nothing.
    EXPECT_EQ(runModuleForState("await new Promise(() => {});"), v8::Promise::kPending);
    engine->stopScript();
    EXPECT_EQ(reported.size(), 1u);
}

// --- static imports -------------------------------------------------------------

// qorjs's fault suite runs imports of imports, one module imported twice
// among them.

// qorjs's fault suite shows that a missing import of no name leaves an empty
// module and a pending error, and that a named one fails linking.

TEST_F(ModuleTest, AnImportThatDoesNotCompileReplacesThePendingError) {
    engine->errorHandler = nullptr;
    engine->setErrorMessage("earlier", false);
    modules["./bad.mjs"] = "export let = 1;";
    EXPECT_EQ(runModule("import './bad.mjs';"), "");
    std::vector<Error> seen;
    engine->errorHandler = [&](auto&, Error& error) { seen.push_back(error); };
    engine->stopScript();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_THAT(seen[0].message, HasSubstr("SyntaxError"));
    EXPECT_EQ(seen[0].type, Error::Type::Exception);
    EXPECT_EQ(seen[0].resourceName, "./bad.mjs");
    EXPECT_EQ(seen[0].lineNumber, 1);
}

TEST_F(ModuleTest, AnImportCycleLinksBackToTheModuleOnItsPath) {
    // Each of one and two sees the other's bindings once the cycle is evaluated.
    modules["./one.mjs"] = "import { two } from './two.mjs'; export const one = 1; export const viaTwo = () => two();";
    modules["./two.mjs"] = "import { one } from './one.mjs'; export function two() { return one + 1; }";
    runModule("import { viaTwo } from './one.mjs'; globalThis.seen = viaTwo();");
    EXPECT_EQ(run("seen"), "2");
    EXPECT_THAT(asked, ElementsAre("./one.mjs", "./two.mjs"));
    EXPECT_TRUE(reported.empty());
    // import() closes cycles through the module it loads as well.
    asked.clear();
    runModule("const { viaTwo } = await import('./one.mjs'); globalThis.again = viaTwo();");
    EXPECT_EQ(run("again"), "2");
    EXPECT_THAT(asked, UnorderedElementsAre("./one.mjs", "./two.mjs"));
}

TEST_F(ModuleTest, ANonAsciiPathBecomesAUtf8ResourceName) {
    std::string const name = "./gr\u00fc\u00dfe.mjs"; // UTF-8 in the execution character set
    modules[name] = "throw new Error('from the import');";
    runModule("import '" + name + "';");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].resourceName, "lib/./gr\xC3\xBC\xC3\x9F" + std::string("e.mjs"));
}

// --- import() -------------------------------------------------------------------

// qorjs's fault suite shows what import() fulfils with, and when it rejects.
TEST_F(ModuleTest, AnImportNothingResolvesFulfilsEmptyAndItsErrorWaitsForTheStop) {
    engine->setImportResolverCallback({}); // the engine's own file loading
    run("import('./surely-missing.mjs').then(ns => globalThis.keys = Object.keys(ns).length);");
    EXPECT_EQ(run("keys"), "0");
    EXPECT_TRUE(reported.empty());
    engine->stopScript();
    EXPECT_THAT(reportedMessages(), ElementsAre("Not able to find module: ./surely-missing.mjs"));
}

TEST_F(ModuleTest, ATerminationDuringImportEndsTheRunAndNothingElse) {
    engine->setImportResolverCallback([](ComV8Engine& self, std::string_view) -> Found {
        self.getIsolate()->TerminateExecution();
        return std::pair{std::string("export const x = 1;"), std::filesystem::path("x.mjs")};
    });
    EXPECT_EQ(run("import('./x.mjs'); 'not reached'"), "");
    EXPECT_THAT(reportedMessages(), ElementsAre("Script execution was terminated"));
    EXPECT_EQ(runModule("export {}; import('./x.mjs').then(() => globalThis.after = 1);"), "");
    EXPECT_EQ(run("typeof after"), "undefined");
    EXPECT_EQ(reported.size(), 2u);
}

// --- Include inside modules -----------------------------------------------------

TEST_F(ModuleTest, IncludeIsRefusedWhileAModuleRuns) {
    modules["lib.js"] = "globalThis.included = true;";
    modules["./includes.mjs"] = "try { Include('lib.js'); } catch (e) { globalThis.fromImport = e; }";
    run("function includeFromClassic() { try { Include('lib.js'); } catch (e) { return e; } }");
    runModule("import './includes.mjs';"
              "globalThis.direct = (() => { try { Include('lib.js'); } catch (e) { return e; } })();"
              "globalThis.viaClassic = includeFromClassic();"
              "await import('./includes.mjs');");
    std::string const refused = "Include() is not allowed from javascript modules (mjs files).";
    EXPECT_EQ(run("[direct, viaClassic, fromImport, typeof included].join('\\n')"),
              refused + "\n" + refused + "\n" + refused + "\nundefined");
    // Nor while a classic script's import evaluates.
    run("globalThis.fromImport = null; import('./includes.mjs');");
    EXPECT_EQ(run("fromImport"), refused);
    // Once the module has run, a classic script may include again.
    EXPECT_EQ(run("Include('lib.js'); included"), "true");
}

// --- import.meta ----------------------------------------------------------------

TEST_F(ModuleTest, ImportMetaIsEmptyAndEachInitialisationIsAsserted) {
    std::vector<std::string> asserts;
    qor::assert::ScopedAssertSink sink(
        [&](qor::assert::AssertInfo const& info) { asserts.emplace_back(info.message); });
    modules["./meta.mjs"] = "export const keys = Object.keys(import.meta).length;";
    runModule("import { keys } from './meta.mjs';"
              "globalThis.meta = [keys, Object.keys(import.meta).length, import.meta === import.meta].join();");
    EXPECT_EQ(run("meta"), "0,0,true");
    EXPECT_THAT(asserts, ElementsAre("Not implemented", "Not implemented"));
}

// --- Include in classic scripts -------------------------------------------------

// qorjs's fault suite shows that a file runs once, and what bad arguments
// and a missing file throw.
TEST_F(ModuleTest, AnIncludedFileThatFailsLeavesItsErrorPendingAndTheCallerGoesOn) {
    engine->setImportResolverCallback({}); // the engine's own file loading
    qor::test::ScriptFiles files;
    files.write("broken.js", "var = 1;");
    EXPECT_EQ(run("Include('" + files.name("broken.js") + "'); 'done'"), "done");
    engine->stopScript();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_THAT(reported[0].message, HasSubstr("SyntaxError"));
    EXPECT_EQ(reported[0].resourceName, files.name("broken.js"));

    files.write("bad.js", "var before = 1;\nthrow new Error('inside'); var after = 1;");
    files.write("worse.js", "throw new Error('later');");
    EXPECT_EQ(run("Include('" + files.name("bad.js") + "'); Include('" + files.name("worse.js") +
                  "'); typeof before + ',' + typeof after + ',done'"),
              "number,undefined,done");
    // The run itself succeeded: the first error waits for the stop.
    ASSERT_EQ(reported.size(), 1u);
    engine->stopScript();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].message, "Uncaught Error: inside");
    EXPECT_EQ(reported[1].resourceName, files.name("bad.js"));
    EXPECT_EQ(reported[1].lineNumber, 2);
}

TEST_F(ModuleTest, IncludeGoesThroughTheHostsResolver) {
    modules["virtual"] = "var fromResolver = 'yes';";
    EXPECT_EQ(run("Include('virtual'); fromResolver"), "yes");
    EXPECT_EQ(run("(() => { try { Include('other'); } catch (e) { return typeof e + ':' + e; } })()"),
              "string:Could not find included file: `other`");
    EXPECT_THAT(asked, ElementsAre("virtual", "other"));
    EXPECT_TRUE(reported.empty()); // a resolver that finds nothing records nothing itself
}

// Under errorObjects Include throws as the bindings do: an Error whose
// message is the text thrown without the option. What it leaves pending is
// the same.
TEST_F(ModuleTest, UnderErrorObjectsIncludeThrowsErrorsOfItsTexts) {
    engine->setOptions(qor::format::engine::javascript::EngineOptions{.errorObjects = true});
    run("function include(...names) { try { Include(...names); } catch (e) {"
        " return [e instanceof Error, e.name, e.message, e.number].join('|'); } }");
    EXPECT_EQ(run("include()"), "true|TypeError|Incorrect number of arguments passed to Include().|-2147352562");
    runModule("globalThis.refused = include('lib.js');");
    EXPECT_EQ(run("refused"), "true|Error|Include() is not allowed from javascript modules (mjs files).|-2147467259");
    engine->setImportResolverCallback({}); // the engine's own file loading
    EXPECT_EQ(run("include('no-such-file.js')"),
              "true|Error|Could not find included file: `no-such-file.js`|-2147024894");
    EXPECT_THAT(stopped(), ElementsAre("Not able to find module: no-such-file.js"));
}

// --- rejections nobody handled ----------------------------------------------------

// qorjs's fault suite shows which rejections a run reports and where; these
// are what only a host running several scripts sees.
TEST_F(ModuleTest, AnUnhandledRejectionIsPendingAfterASuccessfulRunWithItsStackAndALaterHandlerComesTooLate) {
    EXPECT_EQ(runClassic("function fail() {\n  return Promise.reject(new Error('x'));\n}\nfail(); 1"), "1");
    EXPECT_THAT(reported, IsEmpty());
    EXPECT_TRUE(engine->hasPendingError());
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: x"));
    EXPECT_EQ(reported[0].type, Error::Type::Exception);
    ASSERT_TRUE(reported[0].stackTrace);
    EXPECT_THAT(*reported[0].stackTrace, HasSubstr("at fail (main.js:2:"));
    // Each run reports its own; a handler attached in a later run is too late.
    runClassic("globalThis.p = Promise.reject(new Error('too late'));");
    EXPECT_EQ(runClassic("p.catch(() => {}); 'handled'"), "handled");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: x", "Uncaught Error: too late"));
}

TEST_F(ModuleTest, AnErrorAlreadyPendingIsKeptOverARejectionAndAnImportNotAwaitedIsReported) {
    engine->setErrorMessage("from the host", false);
    runClassic("Promise.reject(new Error('dropped'))");
    EXPECT_THAT(stopped(), ElementsAre("from the host"));
    modules["./bad.mjs"] = "export let = 1;";
    runClassic("import('./bad.mjs');");
    ASSERT_EQ(stopped().size(), 2u);
    EXPECT_THAT(reported[1].message, HasSubstr("SyntaxError"));
}

} // namespace
