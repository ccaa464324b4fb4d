#include "Format/Engine/JavaScript/Com/Engine/TimerQueue.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace qor::format::engine::javascript {
namespace {

// The longest delay a browser or Node keeps: 2^31 - 1 ms, about 24.8 days.
constexpr double longestDelay = 2147483647.0;
// Past this many timers set one by another, browsers wait at least 4 ms.
constexpr unsigned clampedNesting = 5;
constexpr auto nestedMinimum = std::chrono::milliseconds(4);

} // namespace

TimerQueue::Clock::duration TimerQueue::clampedDelay(double milliseconds, unsigned nesting) {
    // NaN fails every comparison, and is 0 as well.
    double const whole = milliseconds >= 0 && milliseconds <= longestDelay ? std::trunc(milliseconds) : 0.0;
    auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(whole));
    if (nesting > clampedNesting && delay < nestedMinimum)
        delay = nestedMinimum;
    return delay;
}

TimerQueue::Id TimerQueue::add(Timer timer, Clock::duration delay, Clock::time_point now) {
    Id const id = ++lastId;
    timers.emplace(id, std::move(timer));
    schedule(id, now + delay);
    return id;
}

void TimerQueue::schedule(Id id, Clock::time_point at) {
    heap.push_back(Entry{at, nextOrder++, id});
    std::push_heap(heap.begin(), heap.end(), std::greater<>());
}

void TimerQueue::clear(Id id) {
    if (running == id)
        runningCleared = true;
    // Its entry stays in the heap until it comes to the top.
    timers.erase(id);
}

void TimerQueue::dropCleared() {
    while (!heap.empty() && !timers.contains(heap.front().id)) {
        std::pop_heap(heap.begin(), heap.end(), std::greater<>());
        heap.pop_back();
    }
    if (heap.size() <= 2 * timers.size() + 64)
        return;
    std::erase_if(heap, [this](Entry const& entry) { return !timers.contains(entry.id); });
    std::make_heap(heap.begin(), heap.end(), std::greater<>());
}

std::optional<TimerQueue::Due> TimerQueue::takeDue(Clock::time_point now, std::uint64_t end) {
    dropCleared();
    if (heap.empty() || heap.front().at > now || heap.front().order >= end)
        return std::nullopt;
    Id const id = heap.front().id;
    std::pop_heap(heap.begin(), heap.end(), std::greater<>());
    heap.pop_back();
    auto found = timers.find(id);
    Due due{id, std::move(found->second)};
    timers.erase(found);
    running = id;
    runningCleared = false;
    return due;
}

void TimerQueue::finished(Due due, Clock::time_point now) {
    bool const cleared = std::exchange(runningCleared, false);
    running.reset();
    if (cleared || !due.timer.repeat)
        return;
    // Each repetition is one more timer in the chain, as browsers count.
    ++due.timer.nesting;
    Clock::duration const delay = std::max(*due.timer.repeat, clampedDelay(0, due.timer.nesting));
    timers.emplace(due.id, std::move(due.timer));
    schedule(due.id, now + delay);
}

std::optional<TimerQueue::Clock::time_point> TimerQueue::nextDue() {
    dropCleared();
    if (heap.empty())
        return std::nullopt;
    return heap.front().at;
}

void TimerQueue::reset() {
    timers.clear();
    heap.clear();
}

} // namespace qor::format::engine::javascript
