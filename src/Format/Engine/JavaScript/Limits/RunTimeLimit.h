#pragma once

#include "Format/Engine/JavaScript/Limits/ScriptTermination.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace qor::format::engine::javascript {

// Terminates a run that outlives its time limit: a watchdog thread that waits
// for the deadline of the run in progress. The thread starts with the first
// run that has a limit; without one there is none.
class RunTimeLimit {
public:
    using Clock = std::chrono::steady_clock;

    explicit RunTimeLimit(ScriptTermination& termination);
    ~RunTimeLimit();
    RunTimeLimit(RunTimeLimit const&) = delete;
    RunTimeLimit& operator=(RunTimeLimit const&) = delete;

    // The isolate's thread. Nothing: no limit. Applies from the next run on.
    void set(std::optional<std::chrono::milliseconds> limit);
    std::optional<std::chrono::milliseconds> get() const { return limit; }
    // The isolate's thread. A moment no run outlasts, whatever its limit;
    // applies from the next run on.
    void setDeadline(std::optional<Clock::time_point> at);

    // The isolate's thread, at the beginning and the end of each run.
    // Inline: every host call is a run, and most have no limit.
    void arm(ScriptTermination::RunId run) {
        if (limit || deadline)
            armWatchdog(run);
    }
    void disarm() {
        if (thread.joinable())
            disarmWatchdog();
    }

private:
    void armWatchdog(ScriptTermination::RunId run);
    void disarmWatchdog();
    void watch();

    struct Deadline {
        ScriptTermination::RunId run;
        Clock::time_point at;
    };

    ScriptTermination& termination;
    std::optional<std::chrono::milliseconds> limit;
    std::optional<Clock::time_point> deadline;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<Deadline> armed;
    // When the watchdog wakes by itself; nothing while it waits for a run.
    std::optional<Clock::time_point> wakesAt;
    bool stopping = false;
    std::thread thread;
};

} // namespace qor::format::engine::javascript
