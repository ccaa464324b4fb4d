// The engine's task queue: timers, microtasks and tasks posted from other
// threads, each a run.

#include "Support/EngineFixture.h"

#include "Format/Engine/JavaScript/Com/EngineOptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace qor::test {
namespace {

using format::engine::javascript::EngineOptions;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

class TaskQueueTest : public EngineFixture {
protected:
    TaskQueueTest() {
        EngineOptions options;
        options.eventLoop = true;
        engine->setOptions(options);
    }

    // Runs the queue until nothing is pending, as a host's loop does; false
    // when it still was after `limit`.
    bool drain(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        auto const end = Clock::now() + limit;
        while (auto due = engine->runPendingTasks()) {
            if (Clock::now() > end)
                return false;
            std::this_thread::sleep_until(std::min(*due, Clock::now() + std::chrono::milliseconds(5)));
        }
        return true;
    }
};

TEST_F(TaskQueueTest, TimersRunByDueTimeThenInTheOrderSetWithTheirArgumentsAndFreshIds) {
    run("var log = [], ids = [];"
        "ids.push(setTimeout(() => log.push('late'), 30));"
        "ids.push(setTimeout((a, b) => log.push(`first ${a} ${b}`), 0, 1, 'two'));"
        "ids.push(setTimeout(() => {"
        "  log.push('second');"
        "  queueMicrotask(() => log.push('its microtask'));"
        "  ids.push(setTimeout(() => log.push('nested'), -5));"
        "}, NaN));"
        "clearTimeout(ids[0]); ids.push(setTimeout(() => log.push('late'), 30));"
        "queueMicrotask(() => log.push('script microtask'));");
    EXPECT_TRUE(drain());
    EXPECT_EQ(run("log.join()"), "script microtask,first 1 two,second,its microtask,nested,late");
    // Cleared or fired, an id is never given again.
    EXPECT_EQ(run("ids.join()"), "1,2,3,4,5");
    EXPECT_EQ(run("setTimeout(() => {}) + ' ' + typeof setInterval(() => {}, 1e12)"), "6 number");
    EXPECT_TRUE(reported.empty());
}

TEST_F(TaskQueueTest, ATimerClearsAnotherAndAnIntervalClearsItself) {
    run("var log = [], count = 0;"
        "var victim = setTimeout(() => log.push('victim'), 5);"
        "setTimeout(() => clearTimeout(victim), 0);"
        "var every = setInterval((step) => { log.push(count += step); if (count === 3) clearInterval(every); }, 1, 1);"
        "setTimeout(() => log.push('after'), 40);");
    EXPECT_TRUE(drain());
    EXPECT_EQ(run("log.join()"), "1,2,3,after");
}

TEST_F(TaskQueueTest, AThrowingCallbackIsReportedAndLaterTimersStillRun) {
    run("var log = [];"
        "setTimeout(() => { throw new Error('timer failed'); }, 0);"
        "setTimeout(() => { throw new Error('second failed'); }, 0);"
        "setTimeout(() => log.push('same round'), 0);"
        "setTimeout(() => Promise.reject(new Error('nobody handles')), 1);"
        "setTimeout(() => queueMicrotask(() => { throw new Error('microtask failed'); }), 2);"
        "setTimeout(() => log.push('ran'), 3);");
    EXPECT_TRUE(drain());
    EXPECT_EQ(run("log.join()"), "same round,ran");
    ASSERT_EQ(reported.size(), 4u);
    EXPECT_THAT(reported[0].message, HasSubstr("timer failed"));
    EXPECT_THAT(reported[1].message, HasSubstr("second failed"));
    EXPECT_THAT(reported[2].message, HasSubstr("nobody handles"));
    EXPECT_THAT(reported[3].message, HasSubstr("microtask failed"));
    EXPECT_EQ(run("typeof setTimeout(5)"), "");
    EXPECT_THAT(reported.back().message, HasSubstr("setTimeout: the callback is not a function"));
}

TEST_F(TaskQueueTest, AHostThatStopsTheRoundAtAFailureLeavesTheTimersDueForTheNextCall) {
    engine->errorHandler = [this](auto&, Error& error) {
        reported.push_back(error);
        engine->stopPendingTasks();
    };
    run("var log = [];"
        "setTimeout(() => { throw new Error('first'); }, 0);"
        "setTimeout(() => log.push('second'), 0);");
    EXPECT_TRUE(engine->runPendingTasks().has_value());
    EXPECT_EQ(run("log.join()"), "");
    EXPECT_EQ(reportedMessages(), std::vector<std::string>{"Uncaught Error: first"});
    EXPECT_TRUE(drain());
    EXPECT_EQ(run("log.join()"), "second");
    // Outside a round it stops nothing to come.
    engine->stopPendingTasks();
    run("setTimeout(() => log.push('third'), 0)");
    EXPECT_TRUE(drain());
    EXPECT_EQ(run("log.join()"), "second,third");
}

TEST_F(TaskQueueTest, ALimitOrTheHostEndsOnlyTheTaskInProgress) {
    engine->setTimeLimit(std::chrono::milliseconds(100));
    run("var log = [];"
        "setTimeout(() => { for (;;); }, 0);"
        "setTimeout(() => log.push('same round'), 0);"
        "setTimeout(() => log.push('next'), 1);");
    EXPECT_TRUE(drain());
    engine->setTimeLimit(std::nullopt);
    EXPECT_EQ(run("log.join()"), "same round,next");
    std::atomic<bool> started{false};
    engine->post([&] { started = true; });
    run("setTimeout(() => { for (;;); }, 0); setTimeout(() => log.push('again'), 1);");
    std::thread stopper([&] {
        while (!started)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        engine->terminateScript();
    });
    EXPECT_TRUE(drain());
    stopper.join();
    EXPECT_EQ(run("log.join()"), "same round,next,again");
    EXPECT_THAT(reportedMessages(), ElementsAre("Script terminated: it ran longer than its time limit of 0.1 s",
                                                "Script terminated by the host"));
}

// What a task holds is let go of once, whether it ran, was dropped with the
// engine or refused after it.
struct Held {
    explicit Held(std::atomic<int>& count) : count(count) {}
    ~Held() { ++count; }
    std::atomic<int>& count;
};

TEST_F(TaskQueueTest, AnEngineDestroyedWithTasksPendingRunsNoneAndFreesThemAll) {
    std::atomic<int> freed{0};
    bool ran = false;
    run("var kept = []; for (let i = 0; i < 100; ++i) setTimeout((x) => kept.push(x), 1000, {i});"
        "setInterval(() => {}, 0);");
    auto inbox = engine->getTaskInbox();
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(engine->post([&ran, held = std::make_shared<Held>(freed)] { ran = true; }));
    auto expected = inbox->expect();
    engine.reset();
    EXPECT_FALSE(ran);
    EXPECT_EQ(freed, 10);
    EXPECT_FALSE(inbox->post([&ran, held = std::make_shared<Held>(freed)] { ran = true; }));
    EXPECT_FALSE(expected.post([&ran, held = std::make_shared<Held>(freed)] { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(freed, 12);
}

TEST_F(TaskQueueTest, EightThreadsPostingLoseNoTaskAndRunNoneTwice) {
    constexpr int threads = 8;
    constexpr int perThread = 10000;
    run("");
    std::vector<int> runs(threads * perThread, 0);
    std::atomic<int> wakeUps{0};
    engine->setTaskWakeUp([&] { ++wakeUps; });
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                ASSERT_TRUE(engine->post([&runs, slot = t * perThread + i] { ++runs[slot]; }));
        });
    // The engine's thread runs what has come while the posts go on.
    auto postsDone = std::async(std::launch::async, [&] {
        for (auto& poster : posters)
            poster.join();
    });
    while (postsDone.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        engine->runPendingTasks();
    EXPECT_TRUE(drain());
    EXPECT_EQ(std::count(runs.begin(), runs.end(), 1), threads * perThread);
    EXPECT_EQ(wakeUps, threads * perThread);
}

TEST_F(TaskQueueTest, AnExpectedPostKeepsTheQueuePendingUntilItComes) {
    run("");
    auto expected = engine->getTaskInbox()->expect();
    EXPECT_EQ(engine->runPendingTasks(), Clock::time_point::max());
    bool ran = false;
    std::thread([&, expected = std::move(expected)]() mutable { expected.post([&] { ran = true; }); }).join();
    EXPECT_TRUE(drain());
    EXPECT_TRUE(ran);
    { auto unposted = engine->getTaskInbox()->expect(); }
    EXPECT_EQ(engine->runPendingTasks(), std::nullopt);
}

TEST_F(EngineFixture, WithoutTheOptionScriptsSeeNoTimersAndPostsAreRefused) {
    EXPECT_EQ(run("[typeof setTimeout, typeof setInterval, typeof clearTimeout, typeof queueMicrotask].join()"),
              "undefined,undefined,undefined,undefined");
    EXPECT_FALSE(engine->post([] {}));
    EXPECT_EQ(engine->runPendingTasks(), std::nullopt);
}

} // namespace
} // namespace qor::test
