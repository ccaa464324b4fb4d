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
// What a free slot keeps of its last timer's room for arguments.
constexpr std::size_t keptArguments = 8;

} // namespace

TimerQueue::Clock::duration TimerQueue::clampedDelay(double milliseconds, unsigned nesting) {
    // NaN fails every comparison, and is 0 as well.
    double const whole = milliseconds >= 0 && milliseconds <= longestDelay ? std::trunc(milliseconds) : 0.0;
    auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(whole));
    if (nesting > clampedNesting && delay < nestedMinimum)
        delay = nestedMinimum;
    return delay;
}

TimerQueue::Slot TimerQueue::allocate() {
    if (freeSlots.empty()) {
        slots.emplace_back();
        return static_cast<Slot>(slots.size() - 1);
    }
    Slot const slot = freeSlots.back();
    freeSlots.pop_back();
    return slot;
}

// The slot keeps the room a few arguments took, for the next timer.
void TimerQueue::release(Slot slot) {
    Stored& stored = slots[slot];
    stored.timer.callback.Reset();
    stored.timer.arguments.clear();
    if (stored.timer.arguments.capacity() > keptArguments)
        stored.timer.arguments = std::vector<v8::Global<v8::Value>>();
    stored.timer.repeat.reset();
    stored.timer.nesting = 0;
    stored.id = 0;
    stored.order = unscheduled;
    freeSlots.push_back(slot);
}

TimerQueue::Added TimerQueue::add(Clock::duration delay, Clock::time_point now) {
    Id const id = ++lastId;
    Slot const slot = allocate();
    slots[slot].id = id;
    index.insert(id, slot);
    schedule(slot, delay, now + delay);
    return {id, slots[slot].timer};
}

void TimerQueue::schedule(Slot slot, Clock::duration delay, Clock::time_point at) {
    Entry const entry{at, nextOrder++, slot};
    slots[slot].order = entry.order;
    if (delay == Clock::duration::zero() && (immediate.size() == immediateHead || !(immediate.back() > entry))) {
        immediate.push_back(entry);
        return;
    }
    heap.push_back(entry);
    std::push_heap(heap.begin(), heap.end(), std::greater<>());
}

void TimerQueue::clear(Id id) {
    auto const slot = index.find(id);
    if (!slot)
        return;
    index.erase(id);
    // A running timer ends when its callback returns.
    if (running == *slot) {
        runningCleared = true;
        return;
    }
    // Its entry stays in its line until it comes to the front.
    release(*slot);
}

TimerQueue::Entry const* TimerQueue::earliest() const {
    Entry const* first = immediateHead < immediate.size() ? &immediate[immediateHead] : nullptr;
    if (heap.empty())
        return first;
    if (first == nullptr || *first > heap.front())
        return &heap.front();
    return first;
}

void TimerQueue::popEarliest(Entry const* entry) {
    if (heap.empty() || entry != &heap.front()) {
        ++immediateHead;
        // Timers that set others keep the line from ever running empty: the
        // fired part goes once it is half of it.
        if (immediateHead == immediate.size()) {
            immediate.clear();
            immediateHead = 0;
        } else if (immediateHead >= 64 && 2 * immediateHead >= immediate.size()) {
            immediate.erase(immediate.begin(), immediate.begin() + static_cast<std::ptrdiff_t>(immediateHead));
            immediateHead = 0;
        }
        return;
    }
    std::pop_heap(heap.begin(), heap.end(), std::greater<>());
    heap.pop_back();
}

void TimerQueue::dropStale() {
    while (!heap.empty() && stale(heap.front())) {
        std::pop_heap(heap.begin(), heap.end(), std::greater<>());
        heap.pop_back();
    }
    while (immediateHead < immediate.size() && stale(immediate[immediateHead]))
        popEarliest(&immediate[immediateHead]);
    if (heap.size() + immediate.size() - immediateHead <= 2 * index.size() + 64)
        return;
    immediate.erase(immediate.begin(), immediate.begin() + static_cast<std::ptrdiff_t>(immediateHead));
    immediateHead = 0;
    auto const isStale = [this](Entry const& entry) { return stale(entry); };
    std::erase_if(immediate, isStale);
    std::erase_if(heap, isStale);
    std::make_heap(heap.begin(), heap.end(), std::greater<>());
}

std::optional<TimerQueue::Due> TimerQueue::takeDue(Clock::time_point now, std::uint64_t end) {
    dropStale();
    Entry const* next = earliest();
    if (next == nullptr || next->at > now || next->order >= end)
        return std::nullopt;
    Slot const slot = next->slot;
    popEarliest(next);
    Stored& stored = slots[slot];
    stored.order = unscheduled;
    running = slot;
    runningCleared = false;
    return Due{stored.id, slot, stored.timer};
}

void TimerQueue::finished(Due const& due, Clock::time_point now) {
    bool const cleared = std::exchange(runningCleared, false);
    running.reset();
    if (cleared || !due.timer.repeat) {
        if (!cleared)
            index.erase(due.id);
        release(due.slot);
        return;
    }
    // Each repetition is one more timer in the chain, as browsers count.
    ++due.timer.nesting;
    Clock::duration const delay = std::max(*due.timer.repeat, clampedDelay(0, due.timer.nesting));
    schedule(due.slot, delay, now + delay);
}

std::optional<TimerQueue::Clock::time_point> TimerQueue::nextDue() {
    dropStale();
    Entry const* next = earliest();
    if (next == nullptr)
        return std::nullopt;
    return next->at;
}

void TimerQueue::reset() {
    heap.clear();
    immediate.clear();
    immediateHead = 0;
    index.clear();
    freeSlots.clear();
    slots.clear();
    running.reset();
}

} // namespace qor::format::engine::javascript
