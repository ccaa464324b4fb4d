#include "../Interrupts.h"

#include "Platform/Com.h"

namespace qor::tools::qorjs {

// The console calls its control handlers on a thread of their own already.
struct Interrupts::Watch {
    explicit Watch(Interrupts& owner);
    ~Watch();
    static BOOL WINAPI handle(DWORD event);

    static inline std::atomic<Interrupts*> current{nullptr};
};

Interrupts::Watch::Watch(Interrupts& owner) {
    current = &owner;
    SetConsoleCtrlHandler(handle, TRUE);
}

Interrupts::Watch::~Watch() {
    SetConsoleCtrlHandler(handle, FALSE);
    current = nullptr;
}

BOOL WINAPI Interrupts::Watch::handle(DWORD event) {
    Interrupts* const owner = current;
    if (event != CTRL_C_EVENT || owner == nullptr)
        return FALSE;
    owner->interrupt();
    return TRUE;
}

Interrupts::Interrupts(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)), watch_(std::make_unique<Watch>(*this)) {}

Interrupts::~Interrupts() = default;

} // namespace qor::tools::qorjs
