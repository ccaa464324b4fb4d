// What ends a run besides the script: the host, a time limit, the heap and
// ArrayBuffer bounds. Each ends the run with an error and leaves the engine
// able to run the next script.

#include "Support/EngineFixture.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

class EngineLimitsTest : public qor::test::EngineFixture {};

TEST_F(EngineLimitsTest, TerminateEndsOnlyTheRunInProgress) {
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
}

TEST_F(EngineLimitsTest, ATimeLimitEndsALongRunAndNotTheShortOnes) {
    engine->setTimeLimit(300ms);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(run("6*7"), "42"); // the limit is per run
    EXPECT_EQ(run("for (;;) {}"), "");
    EXPECT_THAT(reportedMessages(), ElementsAre("Script terminated: it ran longer than its time limit of 0.3 s"));
    EXPECT_EQ(run("6*7"), "42");
    engine->setTimeLimit(std::nullopt);
    EXPECT_EQ(run("let n = 0; const end = Date.now() + 400; while (Date.now() < end) ++n; n > 0"), "true");
    EXPECT_EQ(reported.size(), 1u);
}

// qorjs's fault suite fills the heap in three ways and the ArrayBuffers past
// their bound; here, what the engine is like afterwards.
TEST_F(EngineLimitsTest, AfterTheHeapOrArrayBuffersReachTheirLimitTheEngineRunsOn) {
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

} // namespace
