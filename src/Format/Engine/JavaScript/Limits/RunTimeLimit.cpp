#include "Format/Engine/JavaScript/Limits/RunTimeLimit.h"

#include <algorithm>

namespace qor::format::engine::javascript {

RunTimeLimit::RunTimeLimit(ScriptTermination& termination) : termination(termination) {}

RunTimeLimit::~RunTimeLimit() {
    if (!thread.joinable())
        return;
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    thread.join();
}

void RunTimeLimit::set(std::optional<std::chrono::milliseconds> newLimit) { limit = newLimit; }

void RunTimeLimit::setDeadline(std::optional<Clock::time_point> at) { deadline = at; }

void RunTimeLimit::armWatchdog(ScriptTermination::RunId run) {
    if (!thread.joinable())
        thread = std::thread([this] { watch(); });
    Clock::time_point at = limit ? Clock::now() + *limit : Clock::time_point::max();
    if (deadline)
        at = std::min(at, *deadline);
    bool wake = false;
    {
        std::lock_guard lock(mutex);
        armed = Deadline{run, at};
        // A watchdog that wakes before the deadline finds it then: short runs
        // one after another cost it no wake-up each.
        wake = !wakesAt || at < *wakesAt;
    }
    if (wake)
        changed.notify_all();
}

void RunTimeLimit::disarmWatchdog() {
    std::lock_guard lock(mutex);
    armed.reset();
}

void RunTimeLimit::watch() {
    std::unique_lock lock(mutex);
    while (!stopping) {
        if (!armed) {
            wakesAt.reset();
            changed.wait(lock);
            continue;
        }
        Deadline const deadline = *armed;
        if (Clock::now() < deadline.at) {
            wakesAt = deadline.at;
            changed.wait_until(lock, deadline.at);
            continue;
        }
        armed.reset();
        // The termination ends only that run: should it have ended meanwhile,
        // the request does nothing.
        termination.terminate(ScriptTermination::Reason::timeLimit, deadline.run);
    }
}

} // namespace qor::format::engine::javascript
