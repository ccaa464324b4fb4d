#pragma once

#include "Format/Engine/JavaScript/Com/Engine/TimerIndex.h"

#include <v8.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace qor::format::engine::javascript {

// The timers of setTimeout and setInterval: each a script function with its
// arguments, due at a time. Setting, clearing and taking the next due one
// cost O(log n) in the number of timers, and zero-delay timers, the common
// case, O(1). Timers due at the same time come in the order they were set;
// ids count up and are never given twice.
// The isolate's thread only.
class TimerQueue {
public:
    using Clock = std::chrono::steady_clock;
    using Id = std::uint64_t;

    struct Timer {
        v8::Global<v8::Function> callback;
        std::vector<v8::Global<v8::Value>> arguments;
        // How long an interval waits between its calls; nothing for a timeout.
        std::optional<Clock::duration> repeat;
        // How many timers set one another led to this one.
        unsigned nesting = 0;
    };

    // Delays as browsers and Node clamp them: whole milliseconds, anything
    // below 0, not a number or beyond 2^31 - 1 ms is 0, and a timer set by a
    // chain of more than 5 timers waits at least 4 ms.
    static Clock::duration clampedDelay(double milliseconds, unsigned nesting);

    // Sets a timer due `delay` after `now`, empty: the caller fills it in
    // where it stays, so that its handles are made once and never moved.
    struct Added {
        Id id;
        Timer& timer;
    };
    Added add(Clock::duration delay, Clock::time_point now);
    void clear(Id id);

    // Marks where a round of firing ends: timers set from here on wait for
    // the next round, so that one set with no delay cannot starve the loop.
    std::uint64_t roundEnd() const { return nextOrder; }
    // Takes the next timer due at `now` and set before `roundEnd` out of
    // the queue. It stays where it is while it runs (timers set meanwhile
    // leave it there), and comes back through `finished`.
    struct Due {
        Id id;
        TimerIndex::Slot slot;
        Timer& timer;
    };
    std::optional<Due> takeDue(Clock::time_point now, std::uint64_t roundEnd);
    // Sets again the interval taken last, unless its callback cleared it;
    // a timeout ends here.
    void finished(Due const& due, Clock::time_point now);
    // When the next timer is due; nothing when none is set.
    std::optional<Clock::time_point> nextDue();
    // The nesting level of the timer running now; 0 outside timers.
    unsigned currentNesting = 0;
    // Before the isolate goes.
    void reset();

private:
    using Slot = TimerIndex::Slot;
    // What a slot's `order` is while its timer is not waiting.
    static constexpr std::uint64_t unscheduled = ~std::uint64_t{0};

    struct Stored {
        Timer timer;
        Id id = 0;
        // The order of the entry that stands for it now; the others are
        // stale, left behind by a clear.
        std::uint64_t order = unscheduled;
    };
    struct Entry {
        Clock::time_point at;
        std::uint64_t order;
        Slot slot;
        // The order of firing: the earliest, then the first set.
        bool operator>(Entry const& other) const {
            return at != other.at ? at > other.at : order > other.order;
        }
    };

    Slot allocate();
    void release(Slot slot);
    void schedule(Slot slot, Clock::duration delay, Clock::time_point at);
    bool stale(Entry const& entry) const { return slots[entry.slot].order != entry.order; }
    // The entry that fires next, from either line; null when none waits.
    Entry const* earliest() const;
    void popEarliest(Entry const* entry);
    // Drops stale entries from the fronts, and all of them when they
    // outnumber the live ones, so that setting and clearing cannot grow the
    // lines.
    void dropStale();

    // Timers stay in their slot from add to their end; a deque, so that one
    // set while another runs moves neither.
    std::deque<Stored> slots;
    std::vector<Slot> freeSlots;
    TimerIndex index;
    // Two lines, both in firing order: a heap, and zero-delay timers in the
    // order they were set, which is their firing order as long as none is
    // due before the last (an interval set again at the round's time may
    // be: it goes to the heap).
    std::vector<Entry> heap;
    std::vector<Entry> immediate;
    std::size_t immediateHead = 0;
    // The timer taken out to run, and whether its callback cleared it.
    std::optional<Slot> running;
    bool runningCleared = false;
    Id lastId = 0;
    std::uint64_t nextOrder = 0;
};

} // namespace qor::format::engine::javascript
