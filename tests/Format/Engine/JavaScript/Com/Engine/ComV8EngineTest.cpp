// An engine's runs: its isolate, the errors it reports or keeps pending, and
// what ends a run besides the script: the host, a time limit, the heap and
// ArrayBuffer bounds. Each ends the run with an error and leaves the engine
// able to run the next script. And the one instance of a host class an
// engine shares with its host.

#include "Support/EngineFixture.h"

#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/IScriptStartStop.h"
#include "Support/CountedObject.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

using namespace qor::format::engine::javascript;
using namespace std::chrono_literals;
using qor::platform::windows::com::IScriptStartStop;
using qor::platform::windows::com::iidScriptStartStop;
using ::testing::ElementsAre;

namespace {

class ComV8EngineTest : public qor::test::EngineFixture {};

// qorjs's fault suite shows a script's syntax error and uncaught throw with
// their locations, source lines and stack.

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

// --- limits ------------------------------------------------------------------

TEST_F(ComV8EngineTest, TerminateEndsOnlyTheRunInProgress) {
    engine->terminateScript(); // no isolate yet
    EXPECT_EQ(run("6*7"), "42");
    engine->terminateScript(); // no run in progress: the next one is not ended
    EXPECT_EQ(run("6*7"), "42");

    run("function spin() { for (;;) {} }");
    std::atomic<bool> done{false};
    std::thread host([&] {
        while (!done) {
            engine->terminateScript();
            std::this_thread::sleep_for(1ms);
        }
    });
    EXPECT_EQ(run("while (true) {}"), "");
    // A host call is a run of its own.
    std::vector<_variant_t> none;
    EXPECT_EQ(engine->callJsFunctionGetError("spin", none).vt, VT_EMPTY);
    done = true;
    host.join();
    engine->stopScript();
    EXPECT_THAT(reportedMessages(), ElementsAre("Script terminated by the host", "Script terminated by the host"));
    EXPECT_EQ(run("6*7"), "42");

    // Asked while the host had the thread, and the script then ran to its
    // end without V8 looking: the stop is not lost.
    reported.clear();
    engine->setImportResolverCallback(
        [](ComV8Engine& self, std::string_view) -> std::optional<std::pair<std::string, std::filesystem::path>> {
            std::thread([&] { self.terminateScript(); }).join();
            return std::nullopt;
        });
    EXPECT_EQ(run("try { Include('stop.js'); } catch (e) {} 'finished'"), "");
    EXPECT_THAT(reportedMessages(), ElementsAre("Script terminated by the host"));
    EXPECT_EQ(run("6*7"), "42");
}

// qorjs's fault suite ends a long run and its --call by a time limit, and
// lets two runs through that take longer only together.

// qorjs's fault suite fills the heap in three ways and the ArrayBuffers past
// their bound; here, what the engine is like afterwards.
TEST_F(ComV8EngineTest, AfterTheHeapOrArrayBuffersReachTheirLimitTheEngineRunsOn) {
    EXPECT_TRUE(engine->setHeapLimit(16 << 20));
    engine->setArrayBufferLimit(4 << 20);
    EXPECT_EQ(run("(() => { const a = []; for (;;) a.push(new Array(100).fill(0.5)); })()"), "");
    EXPECT_THAT(reportedMessages(), ElementsAre("Script terminated: its heap reached the limit of 16 MB"));
    EXPECT_EQ(run("6*7"), "42");
    EXPECT_FALSE(engine->setHeapLimit(32 << 20)); // too late: the isolate exists

    EXPECT_EQ(run("const kept = []; try { for (;;) kept.push(new Uint8Array(1 << 20)); } catch (e) { kept.length }"),
              "4");
    // What the script lets go of is collected to make room.
    EXPECT_EQ(run("kept.length = 0; for (let i = 0; i < 64; i++) new Float64Array(1 << 17); 'room'"), "room");
    engine->setArrayBufferLimit(std::nullopt);
    EXPECT_EQ(run("new ArrayBuffer(8 << 20).byteLength"), "8388608");
    EXPECT_EQ(reported.size(), 1u);
}

// --- shared instances of the host's classes --------------------------------------

// A host object that wants to hear when scripts start and stop.
class HostObject : public qor::test::CountedDispatch, public IScriptStartStop {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv != nullptr && IsEqualGUID(riid, iidScriptStartStop.to<IID>())) {
            *ppv = static_cast<IScriptStartStop*>(this);
            AddRef();
            return S_OK;
        }
        return CountedDispatch::QueryInterface(riid, ppv);
    }
    void start() override { ++starts; }
    void stop() override { ++stops; }

    int starts = 0;
    int stops = 0;
};

class SharedInstanceTest : public ::testing::Test {
protected:
    SharedInstanceTest() {
        classes.add("Sheet", *qor::Guid::parse("{6B29FC40-CA47-1067-B31D-00DD010662DA}"), [this](auto*) {
            ++created;
            return sheet.unknown();
        });
        classes.add("Broken", *qor::Guid::parse("{6B29FC40-CA47-1067-B31D-00DD010662DB}"), [](auto*) {
            return static_cast<IUnknown*>(nullptr);
        });
    }

    HostObject sheet;
    int created = 0;
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
};

TEST_F(SharedInstanceTest, CreatesOneInstancePerClassTellsItOfStopsAndReleasesItWithTheEngine) {
    for (bool ran : {false, true}) {
        int const starts = sheet.starts;
        int const stops = sheet.stops;
        {
            ComV8Engine engine(classes, typeLibrary, ".");
            engine.setScript("1", {});
            if (ran) {
                engine.runScript();
                engine.stopScript(); // nothing created yet: nothing to stop
            }
            IDispatch* first = engine.getSharedInstance("Sheet");
            EXPECT_EQ(first, static_cast<IDispatch*>(&sheet));
            EXPECT_EQ(engine.getSharedInstance("Sheet"), first);
            EXPECT_EQ(engine.getSharedInstance("sheet"), nullptr); // names are case-sensitive
            EXPECT_EQ(engine.getSharedInstance("Broken"), nullptr);
            EXPECT_FALSE(sheet.balanced()); // the engine holds it
            if (ran) {
                EXPECT_EQ(sheet.starts, starts + 1);
                EXPECT_EQ(sheet.stops, stops);
                engine.stopScript();
                engine.stopScript();
                EXPECT_EQ(sheet.stops, stops + 2);
            }
        }
        EXPECT_TRUE(sheet.balanced()) << sheet.refCount();
    }
    EXPECT_EQ(created, 2);
}

} // namespace
