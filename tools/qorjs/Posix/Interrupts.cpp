#include "../Interrupts.h"

#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace qor::tools::qorjs {
namespace {

// The handler's end of the pipe: a write is all a signal handler may do.
std::atomic<int> signalledPipe{-1};

constexpr char interruptByte = 'i';
constexpr char stopByte = 's';

void handle(int) {
    int const saved = errno;
    if (int const fd = signalledPipe; fd >= 0) {
        ssize_t const written = write(fd, &interruptByte, 1);
        (void)written;
    }
    errno = saved;
}

} // namespace

// SIGINT writes to a pipe that a thread of its own reads.
struct Interrupts::Watch {
    explicit Watch(Interrupts& owner);
    ~Watch();
    void watch();

    Interrupts& owner;
    int pipe[2] = {-1, -1};
    struct sigaction previous {};
    std::thread watcher;
};

Interrupts::Watch::Watch(Interrupts& owner) : owner(owner) {
    if (pipe2(pipe, O_CLOEXEC) != 0)
        return;
    signalledPipe = pipe[1];
    watcher = std::thread([this] { watch(); });
    struct sigaction action {};
    action.sa_handler = handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous);
}

Interrupts::Watch::~Watch() {
    if (!watcher.joinable())
        return;
    sigaction(SIGINT, &previous, nullptr);
    signalledPipe = -1;
    ssize_t const written = write(pipe[1], &stopByte, 1);
    (void)written;
    watcher.join();
    close(pipe[0]);
    close(pipe[1]);
}

void Interrupts::Watch::watch() {
    char byte = 0;
    for (;;) {
        ssize_t const got = read(pipe[0], &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == stopByte)
            return;
        owner.interrupt();
    }
}

Interrupts::Interrupts(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)), watch_(std::make_unique<Watch>(*this)) {}

Interrupts::~Interrupts() = default;

} // namespace qor::tools::qorjs
