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
    RejectionTest() {
        engine->setImportResolverCallback([this](ComV8Engine&, std::string_view name) -> Found {
            auto text = files.find(std::string(name));
            if (text == files.end())
                return std::nullopt;
            return std::pair{text->second, std::filesystem::path(std::string(name))};
        });
    }

    static ComV8Engine::ScriptSettings named(std::string path, bool isModule = false) {
        ComV8Engine::ScriptSettings settings;
        settings.path = std::move(path);
        settings.isModule = isModule;
        return settings;
    }
    std::string runClassic(std::string_view text) { return run(text, named("main.js")); }
    std::string runModule(std::string_view text) { return run(text, named("main.mjs", true)); }
    // What the host hears once it stops the engine.
    std::vector<std::string> stopped() {
        engine->stopScript();
        return reportedMessages();
    }

    std::map<std::string, std::string> files;
};

// --- rejections nobody handles ----------------------------------------------

TEST_F(RejectionTest, AnUnhandledRejectionIsPendingAfterASuccessfulRun) {
    EXPECT_EQ(runClassic("Promise.reject(new Error('x')); 1"), "1");
    EXPECT_THAT(reported, IsEmpty());
    EXPECT_TRUE(engine->hasPendingError());
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: x"));
    EXPECT_EQ(reported[0].type, Error::Type::Exception);
}

TEST_F(RejectionTest, ItIsLocatedWhereTheErrorWasMade) {
    runClassic("function fail() {\n  return Promise.reject(new Error('where'));\n}\nfail();");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: where"));
    EXPECT_EQ(reported[0].resourceName, "main.js");
    EXPECT_EQ(reported[0].lineNumber, 2);
    ASSERT_TRUE(reported[0].stackTrace);
    EXPECT_THAT(*reported[0].stackTrace, HasSubstr("at fail (main.js:2:"));
}

TEST_F(RejectionTest, AReasonThatIsNoErrorIsLocatedWhereItWasRejected) {
    runClassic("1;\n\nPromise.reject(42);");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught 42"));
    EXPECT_EQ(reported[0].resourceName, "main.js");
    EXPECT_EQ(reported[0].lineNumber, 3);
}

TEST_F(RejectionTest, AnAsyncFunctionThatThrowsIsReported) {
    runClassic("async function work() {\n  await null;\n  throw new TypeError('late');\n}\nwork();");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught TypeError: late"));
    EXPECT_EQ(reported[0].lineNumber, 3);
}

TEST_F(RejectionTest, AnIncludedFileRejectingIsReportedWithItsName) {
    files["lib.js"] = "var fromLib = 1;\nPromise.reject(new Error('in lib'));";
    runClassic("Include('lib.js'); fromLib");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: in lib"));
    EXPECT_EQ(reported[0].resourceName, "lib.js");
    EXPECT_EQ(reported[0].lineNumber, 2);
}

TEST_F(RejectionTest, WithoutAHandlerTheErrorStaysPendingUntilTheStop) {
    engine->errorHandler = nullptr;
    runClassic("Promise.reject(new Error('kept'))");
    EXPECT_TRUE(engine->hasPendingError());
    engine->stopScript();
    EXPECT_FALSE(engine->hasPendingError());
}

// --- handlers that come in time ---------------------------------------------

TEST_F(RejectionTest, AHandlerAttachedLaterInTheRunTakesItBack) {
    EXPECT_EQ(runClassic("const p = Promise.reject(new Error('x'));\n"
                         "let seen = 'none';\n"
                         "p.catch(e => { seen = e.message; });\n"
                         "'ran'"),
              "ran");
    EXPECT_EQ(run("seen"), "x");
    EXPECT_THAT(stopped(), IsEmpty());
}

TEST_F(RejectionTest, AHandlerAttachedByAPromiseJobOfTheRunTakesItBack) {
    runClassic("const p = Promise.reject(new Error('x'));\n"
               "Promise.resolve().then(() => Promise.resolve()).then(() => p.catch(() => {}));");
    EXPECT_THAT(stopped(), IsEmpty());
}

TEST_F(RejectionTest, AHandlerAttachedInALaterRunComesTooLate) {
    runClassic("globalThis.p = Promise.reject(new Error('too late'));");
    runClassic("p.catch(() => {}); 'handled'");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: too late"));
}

TEST_F(RejectionTest, OnlyTheRejectionsStillUnhandledCount) {
    runClassic("const a = Promise.reject(new Error('a'));\n"
               "Promise.reject(new Error('b'));\n"
               "a.catch(() => {});");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: b"));
}

// --- which error wins ---------------------------------------------------------

TEST_F(RejectionTest, TheOldestUnhandledRejectionWins) {
    runClassic("Promise.reject(new Error('first')); Promise.reject(new Error('second'));");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: first"));
}

TEST_F(RejectionTest, TheRunsOwnErrorIsReportedFirstAndTheRejectionAtTheStop) {
    EXPECT_EQ(runClassic("Promise.reject(new Error('rejected'));\nthrow new Error('thrown');"), "");
    EXPECT_THAT(reportedMessages(), ElementsAre("Uncaught Error: thrown"));
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: thrown", "Uncaught Error: rejected"));
}

TEST_F(RejectionTest, AnErrorAlreadyPendingIsKept) {
    engine->setErrorMessage("from the host", false);
    runClassic("Promise.reject(new Error('dropped'))");
    EXPECT_THAT(stopped(), ElementsAre("from the host"));
}

TEST_F(RejectionTest, EachRunReportsItsOwn) {
    runClassic("Promise.reject(new Error('one'))");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: one"));
    runClassic("Promise.reject(new Error('two'))");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: one", "Uncaught Error: two"));
}

// --- modules -------------------------------------------------------------------

TEST_F(RejectionTest, AModuleRejectingAPromiseItDropsIsReported) {
    runModule("export const a = 1;\nPromise.reject(new Error('in module'));");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: in module"));
    EXPECT_EQ(reported[0].resourceName, "main.mjs");
    EXPECT_EQ(reported[0].lineNumber, 2);
}

TEST_F(RejectionTest, AModuleThatThrowsIsReportedOnce) {
    runModule("throw new Error('top level');");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: top level"));
}

TEST_F(RejectionTest, AModuleFailingAfterItsAwaitIsReportedOnce) {
    files["./slow.mjs"] = "await null; throw new Error('imported');";
    runModule("import './slow.mjs';");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: imported"));
}

TEST_F(RejectionTest, AModuleFailingAfterTheRunIsReportedOnce) {
    runModule("await new Promise(r => globalThis.resume = r);\nthrow new Error('late');");
    runClassic("resume();");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: late"));
}

TEST_F(RejectionTest, AnImportThatFailsAndIsNotAwaitedIsReported) {
    files["./bad.mjs"] = "export let = 1;";
    runClassic("import('./bad.mjs');");
    ASSERT_EQ(stopped().size(), 1u);
    EXPECT_THAT(reported[0].message, HasSubstr("SyntaxError"));
}

TEST_F(RejectionTest, AnImportThatFailsAndIsCaughtIsNot) {
    files["./bad.mjs"] = "export let = 1;";
    runClassic("import('./bad.mjs').catch(() => {});");
    EXPECT_THAT(stopped(), IsEmpty());
}

} // namespace
