#include "Support/EngineFixture.h"

#include "Format/Engine/JavaScript/V8Helper.h"

#include <gmock/gmock.h>

#include <functional>

using namespace qor::format::engine::javascript;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class ComV8EngineTest : public qor::test::EngineFixture {};

TEST_F(ComV8EngineTest, CreatesItsIsolateOnlyOnTheFirstRun) {
    EXPECT_EQ(engine->getIsolate(), nullptr);
    engine.reset(); // an engine that never ran disposes nothing
    engine = std::make_unique<ComV8Engine>(classes, typeLibrary, ".");
    EXPECT_EQ(run("6*7"), "42");
    v8::Isolate* first = engine->getIsolate();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetData(0), engine.get());
    EXPECT_EQ(run("var counter = 1; typeof Include"), "function");
    EXPECT_EQ(engine->getIsolate(), first);
    EXPECT_EQ(run("++counter"), "2"); // globals stay across runs
}

TEST_F(ComV8EngineTest, ReportsAScriptsErrorOnceWithItsLocationAndRunsTheNextScript) {
    ComV8Engine::ScriptSettings settings;
    settings.path = "broken.js";
    EXPECT_EQ(run("var a = 1;\nvar = 2;", settings), "");
    run("function f() { throw new TypeError('bad'); }\nf();");
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_THAT(reported[0].message, HasSubstr("SyntaxError"));
    EXPECT_EQ(reported[0].resourceName, "broken.js");
    EXPECT_EQ(reported[0].lineNumber, 2);
    EXPECT_EQ(reported[0].startColumn, 5);
    EXPECT_EQ(reported[0].sourceLine, "var = 2;");
    EXPECT_EQ(reported[1].message, "Uncaught TypeError: bad");
    ASSERT_TRUE(reported[1].stackTrace);
    EXPECT_THAT(*reported[1].stackTrace, HasSubstr("at f"));
    EXPECT_FALSE(engine->hasPendingError());
    EXPECT_EQ(run("({toString() { return 'next'; }})"), "next");
}

TEST_F(ComV8EngineTest, KeepsAnErrorPendingUntilStopWhenNoHandlerIsSet) {
    engine->errorHandler = nullptr;
    run("throw 'first'");
    run("throw 'second'");
    EXPECT_TRUE(engine->hasPendingError());
    engine->errorHandler = [this](auto&, Error& error) { reported.push_back(error); };
    engine->stopScript();
    EXPECT_THAT(reportedMessages(), ElementsAre("Uncaught first"));
    EXPECT_FALSE(engine->hasPendingError());
    // Without a handler the stop discards it.
    engine->errorHandler = nullptr;
    run("throw 1");
    engine->stopScript();
    EXPECT_FALSE(engine->hasPendingError());
}

TEST_F(ComV8EngineTest, SetErrorMessageReplacesOrKeepsByMode) {
    engine->errorHandler = nullptr;
    engine->setErrorMessage("kept?", true);
    EXPECT_FALSE(engine->hasPendingError()); // normal run mode records nothing
    engine->setErrorMessage("one", false);
    engine->setErrorMessage("two", false);
    engine->setDebugging(true);
    EXPECT_EQ(engine->runMode, 2u);
    engine->setErrorMessage("three", true); // one is pending: kept
    engine->setDebugging(false);
    std::vector<std::string> seen;
    engine->errorHandler = [&](auto&, Error& error) {
        seen.push_back(error.message);
        EXPECT_EQ(error.type, Error::Type::Message);
    };
    engine->stopScript();
    EXPECT_THAT(seen, ElementsAre("two"));
    // A pending error takes precedence over a run's own.
    engine->errorHandler = nullptr;
    engine->setErrorMessage("host said so", false);
    engine->errorHandler = [this](auto&, Error& error) { reported.push_back(error); };
    run("throw 'script'");
    EXPECT_THAT(reportedMessages(), ElementsAre("host said so"));
}

TEST_F(ComV8EngineTest, AHandlerMayCallBackIntoTheEngine) {
    engine->errorHandler = [this](auto& script, Error& error) {
        reported.push_back(error);
        script.setErrorMessage("from the handler", false);
    };
    run("throw 'x'");
    EXPECT_EQ(reported.size(), 1u);
    engine->stopScript();
    EXPECT_THAT(reportedMessages(), ElementsAre("Uncaught x", "from the handler"));
}

TEST_F(ComV8EngineTest, RunScriptWithCallbackHandsOverTheValueAndLeavesReportingToItsCaller) {
    engine->setScript("[1, 2]", {});
    bool array = false;
    EXPECT_TRUE(engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) { array = (*result)->IsArray(); }));
    EXPECT_TRUE(array);
    engine->setScript("throw 1", {});
    EXPECT_FALSE(engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) { EXPECT_FALSE(result); }));
    EXPECT_TRUE(reported.empty());
}

} // namespace
