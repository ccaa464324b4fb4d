#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace qor::platform::windows::com {

// The tasks handed to an engine's thread from any thread, waiting for the
// engine to run them. Shared: a worker thread may hold it longer than the
// engine lives. Once the engine has closed it, a post is refused: the task is
// destroyed on the posting thread and never runs.
class QOR_JAVASCRIPT_COM_API TaskInbox : public std::enable_shared_from_this<TaskInbox> {
public:
    using Task = std::move_only_function<void()>;

    // A post that will come: while it lives, the engine counts a task as
    // pending, so that a loop that runs until nothing is pending waits for it
    // (a COM object working on a worker thread takes one as the work begins).
    // It posts once; going unposted, it ends the wait.
    class Expected {
    public:
        explicit Expected(std::shared_ptr<TaskInbox> inbox);
        Expected(Expected&& other) noexcept = default;
        Expected& operator=(Expected&& other) noexcept;
        ~Expected();
        // As TaskInbox::post; false as well when it posted already.
        bool post(Task task);

    private:
        void release();
        std::shared_ptr<TaskInbox> inbox;
    };

    // Any thread. True when the task is queued; false when the engine is gone
    // or runs no tasks.
    bool post(Task task);
    Expected expect();
    // Called on the posting thread after each post, and when an expected post
    // is given up, so that the loop that runs the engine wakes. It must not
    // call back into the inbox's engine.
    void setWakeUp(std::function<void()> wakeUp);

    // The engine's thread.
    void open();
    // Refuses every post from now on; what waits is destroyed, not run.
    void close();
    // What was posted so far, in order.
    std::deque<Task> take();
    // True while posts wait to be taken.
    bool hasTasks() const;
    // True while a post is expected that has not come.
    bool expectsPosts() const;

private:
    bool queue(Task& task, bool fulfils);
    void wake();

    mutable std::mutex mutex;
    std::deque<Task> tasks;
    std::size_t expected = 0;
    bool accepting = false;
    std::shared_ptr<std::function<void()> const> wakeUp;
};

} // namespace qor::platform::windows::com
