// The timers' own bookkeeping, without an engine: the order they fire in
// against a plain model of it, and the index of their ids.

#include "Format/Engine/JavaScript/Com/Engine/TimerIndex.h"
#include "Format/Engine/JavaScript/Com/Engine/TimerQueue.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace qor::test {
namespace {

using format::engine::javascript::TimerIndex;
using format::engine::javascript::TimerQueue;
using namespace std::chrono_literals;

// A duration of 0 to `count` - 1 units.
template <class Duration>
Duration upTo(std::mt19937& random, unsigned count) {
    return Duration(static_cast<typename Duration::rep>(random() % count));
}

// Consecutive ids in a small table collide and wrap around its end: every
// erase must leave the others found.
TEST(TimerIndexTest, FindsWhatWasInsertedAndNotErasedThroughCollisionsAndGrowth) {
    TimerIndex index;
    std::unordered_map<TimerIndex::Id, TimerIndex::Slot> model;
    std::mt19937 random(7);
    TimerIndex::Id next = 1;
    for (int step = 0; step < 20000; ++step) {
        if (model.empty() || random() % 3 != 0) {
            auto const slot = static_cast<TimerIndex::Slot>(random());
            index.insert(next, slot);
            model[next++] = slot;
        } else {
            // A live id, or one never given or gone.
            TimerIndex::Id const id = random() % 2 != 0 ? std::next(model.begin(), random() % model.size())->first
                                                        : random() % (next + 5);
            index.erase(id);
            model.erase(id);
        }
        if (step % 97 == 0)
            for (TimerIndex::Id id = 0; id < next + 2; ++id) {
                auto const found = model.find(id);
                ASSERT_EQ(index.find(id), found == model.end() ? std::nullopt : std::optional(found->second))
                    << "id " << id << " at step " << step;
            }
    }
    EXPECT_EQ(index.size(), model.size());
    index.clear();
    EXPECT_EQ(index.find(1), std::nullopt);
}

// The queue against a model of what it promises: due timers fire earliest
// first, those due at the same time in the order they were set, an interval
// comes back at the round's time plus its delay, a cleared timer never
// fires, and ids are never given twice.
class TimerQueueTest : public ::testing::Test {
protected:
    struct Modelled {
        TimerQueue::Clock::duration repeat{};
        bool interval = false;
    };
    using Key = std::tuple<TimerQueue::Clock::time_point, std::uint64_t, TimerQueue::Id>;

    TimerQueue::Id add(TimerQueue::Clock::duration delay, bool interval) {
        auto [id, timer] = queue.add(delay, now);
        if (interval)
            timer.repeat = delay;
        waiting.insert({now + delay, order++, id});
        live[id] = {delay, interval};
        return id;
    }
    void clear(TimerQueue::Id id) {
        queue.clear(id);
        live.erase(id);
        std::erase_if(waiting, [&](Key const& key) { return std::get<2>(key) == id; });
    }
    // One round of firing at `now`; a callback may set or clear timers.
    void round(std::mt19937& random) {
        std::uint64_t const end = queue.roundEnd();
        ASSERT_EQ(end, order);
        TimerQueue::Clock::time_point const roundTime = now;
        while (auto due = queue.takeDue(roundTime, end)) {
            ASSERT_FALSE(waiting.empty());
            Key const expected = *waiting.begin();
            ASSERT_TRUE(std::get<0>(expected) <= roundTime && std::get<1>(expected) < end);
            ASSERT_EQ(due->id, std::get<2>(expected));
            waiting.erase(waiting.begin());
            now += upTo<std::chrono::microseconds>(random, 3);
            if (random() % 4 == 0)
                add(upTo<std::chrono::milliseconds>(random, 2), false);
            bool const selfCleared = random() % 8 == 0;
            if (selfCleared)
                clear(due->id);
            queue.finished(*due, roundTime);
            if (!selfCleared && live[due->id].interval) {
                auto const delay = std::max(live[due->id].repeat, TimerQueue::clampedDelay(0, due->timer.nesting));
                waiting.insert({roundTime + delay, order++, due->id});
            } else if (!selfCleared) {
                live.erase(due->id);
            }
        }
        if (!waiting.empty() && std::get<0>(*waiting.begin()) <= roundTime) {
            ASSERT_GE(std::get<1>(*waiting.begin()), end) << "a due timer was left for later";
        }
    }

    TimerQueue queue;
    TimerQueue::Clock::time_point now{};
    std::uint64_t order = 0;
    std::set<Key> waiting;
    std::map<TimerQueue::Id, Modelled> live;
};

TEST_F(TimerQueueTest, FiresAsTheModelOfItsPromisesDoes) {
    std::mt19937 random(11);
    std::set<TimerQueue::Id> given;
    for (int step = 0; step < 5000; ++step) {
        switch (random() % 7) {
        case 0:
        case 1:
        case 2: {
            // Mostly zero-delay, some waiting behind them, some intervals.
            auto const delay = random() % 3 == 0 ? upTo<std::chrono::milliseconds>(random, 4) : 0ms;
            ASSERT_TRUE(given.insert(add(delay, random() % 5 == 0)).second) << "an id given twice";
            break;
        }
        case 3:
            // A live timer, or an id fired, cleared or never given.
            if (!live.empty() && random() % 4 != 0)
                clear(std::next(live.begin(), random() % live.size())->first);
            else
                clear(random() % (given.size() + 3));
            break;
        case 4:
            now += upTo<std::chrono::milliseconds>(random, 3) + upTo<std::chrono::microseconds>(random, 500);
            break;
        case 5:
            // A burst, whose timers set more as they fire.
            for (int i = 0; i < 100; ++i)
                given.insert(add(0ms, false));
            break;
        default:
            ASSERT_NO_FATAL_FAILURE(round(random));
        }
        auto const next = queue.nextDue();
        ASSERT_EQ(next.has_value(), !waiting.empty());
        if (next) {
            ASSERT_EQ(*next, std::get<0>(*waiting.begin()));
        }
    }
}

} // namespace
} // namespace qor::test
