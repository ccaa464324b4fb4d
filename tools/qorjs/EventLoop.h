#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace qor::tools::qorjs {

// Runs an engine's tasks until none is pending, as Node's event loop does:
// the timers when they are due, the tasks other threads post as they come,
// sleeping in between.
class EventLoop {
public:
    using Clock = std::chrono::steady_clock;
    enum class End { idle, failed, deadline, stopped };

    explicit EventLoop(format::engine::javascript::ComV8Engine& engine);
    ~EventLoop();
    EventLoop(EventLoop const&) = delete;
    EventLoop& operator=(EventLoop const&) = delete;

    // Until nothing is pending (idle), a task failed (`failed()` is true),
    // `deadline` passed or `stop` was called.
    template <class Failed>
    End run(std::optional<Clock::time_point> deadline, Failed const& failed) {
        while (auto due = engine.runPendingTasks()) {
            if (failed())
                return End::failed;
            if (auto end = wait(*due, deadline))
                return *end;
        }
        return failed() ? End::failed : End::idle;
    }
    // Any thread: ends run at once, or as soon as the task in progress ends.
    void stop();

private:
    // Sleeps until `due`, a post or a stop; what ends the loop, if anything.
    std::optional<End> wait(Clock::time_point due, std::optional<Clock::time_point> deadline);
    void wake();

    format::engine::javascript::ComV8Engine& engine;
    std::mutex mutex;
    std::condition_variable woken;
    bool posted = false;
    bool stopped = false;
};

} // namespace qor::tools::qorjs
