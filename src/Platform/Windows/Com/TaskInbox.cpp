#include "Platform/Windows/Com/TaskInbox.h"

#include <utility>

namespace qor::platform::windows::com {

TaskInbox::Expected::Expected(std::shared_ptr<TaskInbox> inbox) : inbox(std::move(inbox)) {}

TaskInbox::Expected& TaskInbox::Expected::operator=(Expected&& other) noexcept {
    if (this != &other) {
        release();
        inbox = std::move(other.inbox);
    }
    return *this;
}

TaskInbox::Expected::~Expected() { release(); }

bool TaskInbox::Expected::post(Task task) {
    if (!inbox)
        return false;
    bool const queued = std::exchange(inbox, nullptr)->queue(task, true);
    return queued;
}

void TaskInbox::Expected::release() {
    if (!inbox)
        return;
    {
        std::lock_guard lock(inbox->mutex);
        --inbox->expected;
    }
    // The loop may be waiting for this post alone.
    std::exchange(inbox, nullptr)->wake();
}

bool TaskInbox::post(Task task) { return queue(task, false); }

TaskInbox::Expected TaskInbox::expect() {
    std::lock_guard lock(mutex);
    ++expected;
    return Expected(shared_from_this());
}

bool TaskInbox::queue(Task& task, bool fulfils) {
    bool accepted = false;
    {
        std::lock_guard lock(mutex);
        // Fulfilled in the same step as the task arrives: the engine never
        // sees neither.
        if (fulfils)
            --expected;
        accepted = accepting;
        if (accepted)
            tasks.push_back(std::move(task));
    }
    if (!accepted) {
        // Refused: its captures go here, on the posting thread.
        Task refused = std::move(task);
        return false;
    }
    wake();
    return true;
}

void TaskInbox::wake() {
    std::shared_ptr<std::function<void()> const> hook;
    {
        std::lock_guard lock(mutex);
        hook = wakeUp;
    }
    if (hook && *hook)
        (*hook)();
}

void TaskInbox::setWakeUp(std::function<void()> hook) {
    auto shared = std::make_shared<std::function<void()> const>(std::move(hook));
    std::lock_guard lock(mutex);
    wakeUp = std::move(shared);
}

void TaskInbox::open() {
    std::lock_guard lock(mutex);
    accepting = true;
}

void TaskInbox::close() {
    std::deque<Task> dropped;
    {
        std::lock_guard lock(mutex);
        accepting = false;
        dropped.swap(tasks);
        wakeUp.reset();
    }
    // Destroyed outside the lock: a task's captures may post again.
}

std::deque<TaskInbox::Task> TaskInbox::take() {
    std::deque<Task> taken;
    std::lock_guard lock(mutex);
    taken.swap(tasks);
    return taken;
}

bool TaskInbox::hasTasks() const {
    std::lock_guard lock(mutex);
    return !tasks.empty();
}

bool TaskInbox::expectsPosts() const {
    std::lock_guard lock(mutex);
    return expected != 0;
}

} // namespace qor::platform::windows::com
