#pragma once

#include <v8.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <queue>
#include <unordered_map>
#include <vector>

namespace qor::format::engine::javascript {

// The timers of setTimeout and setInterval: each a script function with its
// arguments, due at a time. Setting, clearing and taking the next due one
// cost O(log n) in the number of timers. Timers due at the same time come in
// the order they were set; ids count up and are never given twice.
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

    Id add(Timer timer, Clock::duration delay, Clock::time_point now);
    void clear(Id id);

    // Marks where a round of firing ends: timers set from here on wait for
    // the next round, so that one set with no delay cannot starve the loop.
    std::uint64_t roundEnd() const { return nextOrder; }
    // Takes out the next timer due at `now` and set before `roundEnd`. It
    // runs outside the queue and comes back through `finished`.
    struct Due {
        Id id;
        Timer timer;
    };
    std::optional<Due> takeDue(Clock::time_point now, std::uint64_t roundEnd);
    // Sets again the interval taken last, unless its callback cleared it;
    // a timeout ends here.
    void finished(Due due, Clock::time_point now);
    // When the next timer is due; nothing when none is set.
    std::optional<Clock::time_point> nextDue();
    bool empty() const { return timers.empty(); }
    // The nesting level of the timer running now; 0 outside timers.
    unsigned currentNesting = 0;
    // Before the isolate goes.
    void reset();

private:
    struct Entry {
        Clock::time_point at;
        std::uint64_t order;
        Id id;
        // The heap's order: the earliest, then the first set, on top.
        bool operator>(Entry const& other) const {
            return at != other.at ? at > other.at : order > other.order;
        }
    };
    void schedule(Id id, Clock::time_point at);
    // Drops cleared timers from the top, and rebuilds the heap when they
    // outnumber the live ones, so that setting and clearing cannot grow it.
    void dropCleared();

    std::unordered_map<Id, Timer> timers;
    std::vector<Entry> heap;
    // The timer taken out to run, and whether its callback cleared it.
    std::optional<Id> running;
    bool runningCleared = false;
    Id lastId = 0;
    std::uint64_t nextOrder = 0;
};

} // namespace qor::format::engine::javascript
