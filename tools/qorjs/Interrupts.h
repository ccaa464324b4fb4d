#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include <csignal>

namespace qor::tools::qorjs {

// Ctrl-C (SIGINT) while one lives: instead of ending qorjs, each one calls
// `onInterrupt` on a thread of its own, where what it does (ending the
// script that runs, waking the loop that waits) need not be safe in a signal
// handler. The one place where qorjs takes SIGINT: at most one lives at a
// time.
class Interrupts {
public:
    explicit Interrupts(std::function<void()> onInterrupt);
    ~Interrupts();
    Interrupts(Interrupts const&) = delete;
    Interrupts& operator=(Interrupts const&) = delete;

    // Whether a Ctrl-C came since the last call.
    bool taken() { return interrupted_.exchange(false); }
    // Whether one came at all.
    bool came() const { return interrupted_; }

private:
    static void handle(int signal);
    void watch();

    std::function<void()> onInterrupt_;
    std::atomic<bool> interrupted_{false};
    int pipe_[2] = {-1, -1};
    struct sigaction previous_ {};
    std::thread watcher_;
};

} // namespace qor::tools::qorjs
