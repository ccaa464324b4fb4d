#include "Interrupts.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace qor::tools::qorjs {
namespace {

// The write end of the watcher's pipe: writing is all a signal handler may
// safely do.
std::atomic<int> signalledPipe{-1};

constexpr char interruptByte = 'i';
constexpr char stopByte = 's';

void writeByte(int fd, char byte) {
    ssize_t const written = write(fd, &byte, 1);
    static_cast<void>(written);
}

} // namespace

Interrupts::Interrupts(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt)) {
    if (pipe2(pipe_, O_CLOEXEC) != 0)
        return;
    signalledPipe = pipe_[1];
    watcher_ = std::thread([this] { watch(); });
    struct sigaction action {};
    action.sa_handler = handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous_);
}

Interrupts::~Interrupts() {
    if (!watcher_.joinable())
        return;
    sigaction(SIGINT, &previous_, nullptr);
    signalledPipe = -1;
    writeByte(pipe_[1], stopByte);
    watcher_.join();
    close(pipe_[0]);
    close(pipe_[1]);
}

void Interrupts::handle(int) {
    int const saved = errno;
    if (int const fd = signalledPipe; fd >= 0)
        writeByte(fd, interruptByte);
    errno = saved;
}

void Interrupts::watch() {
    char byte = 0;
    for (;;) {
        ssize_t const got = read(pipe_[0], &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == stopByte)
            return;
        interrupted_ = true;
        onInterrupt_();
    }
}

} // namespace qor::tools::qorjs
