#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace qor::tools::qorjs {

// Ctrl-C (SIGINT, or the console's Ctrl-C event) while one lives: instead of
// ending qorjs, each one calls `onInterrupt` on a thread other than the
// script's, where what it does (ending the script that runs) need not be
// safe in a signal handler. The one place where qorjs takes Ctrl-C: at most
// one lives at a time. Reads and writes that the signal meets go on.
class Interrupts {
public:
    explicit Interrupts(std::function<void()> onInterrupt);
    ~Interrupts();
    Interrupts(Interrupts const&) = delete;
    Interrupts& operator=(Interrupts const&) = delete;

    // Whether a Ctrl-C came since the last call.
    bool taken() { return interrupted_.exchange(false); }

private:
    // How the platform hands a Ctrl-C to interrupt().
    struct Watch;

    void interrupt() {
        interrupted_ = true;
        onInterrupt_();
    }

    std::function<void()> onInterrupt_;
    std::atomic<bool> interrupted_{false};
    std::unique_ptr<Watch> watch_;
};

} // namespace qor::tools::qorjs
