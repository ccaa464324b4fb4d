#include "Support/EngineFixture.h"

#include <gmock/gmock.h>

#include <map>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using Found = std::optional<std::pair<std::string, std::filesystem::path>>;

// Scripts named main.js, and files for Include and import served from memory.
class RejectionTest : public qor::test::EngineFixture {
protected:
    RejectionTest() { engine->setImportResolverCallback(resolver()); }

    ComV8Engine::ImportResolver resolver() {
        return [this](ComV8Engine&, std::string_view name) -> Found {
            auto text = files.find(std::string(name));
            if (text == files.end())
                return std::nullopt;
            return std::pair{text->second, std::filesystem::path(std::string(name))};
        };
    }

    static ComV8Engine::ScriptSettings named(std::string path, bool isModule = false) {
        ComV8Engine::ScriptSettings settings;
        settings.path = std::move(path);
        settings.isModule = isModule;
        return settings;
    }
    std::string runClassic(std::string_view text) { return run(text, named("main.js")); }
    // What the host hears once it stops the engine.
    std::vector<std::string> stopped() {
        engine->stopScript();
        return reportedMessages();
    }

    std::map<std::string, std::string> files;
};

// What the host hears at the stop after one run (or two, the second being
// `later`), and where the first report is located.
struct RejectionCase {
    char const* name;
    std::map<std::string, std::string> files;
    bool isModule;
    std::string script;
    std::string later;
    std::vector<std::string> reports;
    std::string resourceName = "";
    int lineNumber = 0;
};

TEST_F(RejectionTest, UnhandledRejectionsAreReportedOnceAtTheStop) {
    std::vector<RejectionCase> const cases{
        {"located where the error was made", {}, false,
         "function fail() {\n  return Promise.reject(new Error('where'));\n}\nfail();", "",
         {"Uncaught Error: where"}, "main.js", 2},
        {"a reason that is no error, where rejected", {}, false, "1;\n\nPromise.reject(42);", "", {"Uncaught 42"},
         "main.js", 3},
        {"an async function that throws", {}, false,
         "async function work() {\n  await null;\n  throw new TypeError('late');\n}\nwork();", "",
         {"Uncaught TypeError: late"}, "main.js", 3},
        {"an included file", {{"lib.js", "var fromLib = 1;\nPromise.reject(new Error('in lib'));"}}, false,
         "Include('lib.js'); fromLib", "", {"Uncaught Error: in lib"}, "lib.js", 2},
        {"a handler attached later in the run", {}, false,
         "const p = Promise.reject(new Error('x'));\np.catch(e => {});", "", {}},
        {"a handler attached by a promise job of the run", {}, false,
         "const p = Promise.reject(new Error('x'));\n"
         "Promise.resolve().then(() => Promise.resolve()).then(() => p.catch(() => {}));",
         "", {}},
        {"a handler attached in a later run comes too late", {}, false,
         "globalThis.p = Promise.reject(new Error('too late'));", "p.catch(() => {}); 'handled'",
         {"Uncaught Error: too late"}},
        {"only those still unhandled", {}, false,
         "const a = Promise.reject(new Error('a'));\nPromise.reject(new Error('b'));\na.catch(() => {});", "",
         {"Uncaught Error: b"}},
        {"the oldest wins", {}, false, "Promise.reject(new Error('first')); Promise.reject(new Error('second'));", "",
         {"Uncaught Error: first"}},
        {"the run's own error first", {}, false, "Promise.reject(new Error('rejected'));\nthrow new Error('thrown');",
         "", {"Uncaught Error: thrown", "Uncaught Error: rejected"}},
        {"a module dropping a promise", {}, true, "export const a = 1;\nPromise.reject(new Error('in module'));", "",
         {"Uncaught Error: in module"}, "main.mjs", 2},
        {"a module failing after its await", {{"./slow.mjs", "await null; throw new Error('imported');"}}, true,
         "import './slow.mjs';", "", {"Uncaught Error: imported"}},
        {"an import caught", {{"./bad.mjs", "export let = 1;"}}, false, "import('./bad.mjs').catch(() => {});", "",
         {}},
    };
    for (RejectionCase const& c : cases) {
        reported.clear();
        files = c.files;
        engine = std::make_unique<ComV8Engine>(classes, typeLibrary, ".");
        engine->errorHandler = [this](auto&, Error& error) { reported.push_back(error); };
        engine->setImportResolverCallback(resolver());
        run(c.script, named(c.isModule ? "main.mjs" : "main.js", c.isModule));
        if (!c.later.empty())
            runClassic(c.later);
        EXPECT_EQ(stopped(), c.reports) << c.name;
        if (!c.resourceName.empty() && !reported.empty()) {
            EXPECT_EQ(reported[0].resourceName, c.resourceName) << c.name;
            EXPECT_EQ(reported[0].lineNumber, c.lineNumber) << c.name;
        }
    }
}

TEST_F(RejectionTest, AnUnhandledRejectionIsPendingAfterASuccessfulRunWithItsStack) {
    EXPECT_EQ(runClassic("function fail() {\n  return Promise.reject(new Error('x'));\n}\nfail(); 1"), "1");
    EXPECT_THAT(reported, IsEmpty());
    EXPECT_TRUE(engine->hasPendingError());
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: x"));
    EXPECT_EQ(reported[0].type, Error::Type::Exception);
    ASSERT_TRUE(reported[0].stackTrace);
    EXPECT_THAT(*reported[0].stackTrace, HasSubstr("at fail (main.js:2:"));
    // Each run reports its own.
    runClassic("Promise.reject(new Error('two'))");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: x", "Uncaught Error: two"));
}

TEST_F(RejectionTest, AnErrorAlreadyPendingIsKept) {
    engine->setErrorMessage("from the host", false);
    runClassic("Promise.reject(new Error('dropped'))");
    EXPECT_THAT(stopped(), ElementsAre("from the host"));
}

TEST_F(RejectionTest, AnImportThatFailsAndIsNotAwaitedIsReported) {
    files["./bad.mjs"] = "export let = 1;";
    runClassic("import('./bad.mjs');");
    ASSERT_EQ(stopped().size(), 1u);
    EXPECT_THAT(reported[0].message, HasSubstr("SyntaxError"));
}

} // namespace
