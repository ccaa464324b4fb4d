#include "EventLoop.h"

#include <algorithm>

namespace qor::tools::qorjs {

EventLoop::EventLoop(format::engine::javascript::ComV8Engine& engine) : engine(engine) {
    engine.setTaskWakeUp([this] { wake(); });
}

EventLoop::~EventLoop() { engine.setTaskWakeUp({}); }

void EventLoop::wake() {
    {
        std::lock_guard lock(mutex);
        posted = true;
    }
    woken.notify_one();
}

void EventLoop::stop() {
    {
        std::lock_guard lock(mutex);
        stopped = true;
    }
    woken.notify_one();
}

std::optional<EventLoop::End> EventLoop::wait(Clock::time_point due, std::optional<Clock::time_point> deadline) {
    std::unique_lock lock(mutex);
    Clock::time_point const until = deadline ? std::min(due, *deadline) : due;
    auto const ready = [this] { return posted || stopped; };
    // time_point::max() is a post that will come whenever it does.
    if (until == Clock::time_point::max())
        woken.wait(lock, ready);
    else
        woken.wait_until(lock, until, ready);
    posted = false;
    if (stopped)
        return End::stopped;
    if (deadline && Clock::now() >= *deadline)
        return End::deadline;
    return std::nullopt;
}

} // namespace qor::tools::qorjs
