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

TEST_F(ComV8EngineTest, ReturnsTheCompletionValueAsUtf8Text) {
    EXPECT_EQ(run("'gr\\u00fc\\u00dfe ' + '\xE2\x82\xAC'"), "gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    EXPECT_EQ(run("undefined"), "undefined");
    EXPECT_EQ(run("({toString() { return 'custom'; }})"), "custom");
    EXPECT_TRUE(reported.empty());
}

TEST_F(ComV8EngineTest, ReportsASyntaxErrorOnceWithItsLocationAndRunsTheNextScript) {
    ComV8Engine::ScriptSettings settings;
    settings.path = "broken.js";
    EXPECT_EQ(run("var a = 1;\nvar = 2;", settings), "");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_THAT(reported[0].message, HasSubstr("SyntaxError"));
    EXPECT_EQ(reported[0].resourceName, "broken.js");
    EXPECT_EQ(reported[0].lineNumber, 2);
    EXPECT_EQ(reported[0].startColumn, 5);
    EXPECT_EQ(reported[0].sourceLine, "var = 2;");
    EXPECT_FALSE(engine->hasPendingError());
    EXPECT_EQ(run("'next'"), "next");
    EXPECT_EQ(reported.size(), 1u);
}

TEST_F(ComV8EngineTest, ReportsAnUncaughtExceptionWithItsStack) {
    run("function f() { throw new TypeError('bad'); }\nf();");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "Uncaught TypeError: bad");
    EXPECT_EQ(reported[0].lineNumber, 1);
    ASSERT_TRUE(reported[0].stackTrace);
    EXPECT_THAT(*reported[0].stackTrace, HasSubstr("at f"));
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
}

TEST_F(ComV8EngineTest, APendingErrorTakesPrecedenceOverTheRunsOwnError) {
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

TEST_F(ComV8EngineTest, RunScriptWithCallbackHandsOverValueAndContext) {
    engine->setScript("[1, 2]", {});
    bool called = false;
    EXPECT_TRUE(engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>& context) {
        called = true;
        ASSERT_TRUE(result);
        EXPECT_TRUE((*result)->IsArray());
        EXPECT_FALSE(context.IsEmpty());
    }));
    EXPECT_TRUE(called);
    engine->setScript("throw 1", {});
    EXPECT_FALSE(engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) {
        EXPECT_FALSE(result);
    }));
    EXPECT_TRUE(reported.empty()); // the callback form leaves reporting to its caller
}

} // namespace
