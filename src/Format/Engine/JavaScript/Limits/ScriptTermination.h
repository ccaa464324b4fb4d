#pragma once

#include "Format/Engine/JavaScript/Limits/AsymmetricFence.h"

#include <v8.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

namespace qor::format::engine::javascript {

// Ends the script an isolate is running, from any thread, and only that one.
// Runs nest on the isolate's thread (host -> script -> COM -> script); the
// outermost one is the run. A request while no run is in progress, or meant
// for a run that has ended, does nothing, so that it never ends the next one.
class ScriptTermination {
public:
    enum class Reason { host, timeLimit, heapLimit };
    using RunId = std::uint64_t;

    // The isolate whose runs are ended: set once it exists, null before it
    // goes.
    void attach(v8::Isolate* isolate);

    // The isolate's thread, around every entry into script. `begin` gives the
    // new run's id when the entry is the outermost. `end` is true when the
    // outermost ends; it lets the isolate run scripts again when the run was
    // terminated: by then no script frame is left to unwind.
    std::optional<RunId> begin() {
        if (depth++ != 0)
            return std::nullopt;
        return beginRun();
    }
    bool end() {
        if (--depth != 0)
            return false;
        endRun();
        return true;
    }

    // Any thread: ends the run in progress, or only the run `run`. A blocked
    // call into COM is not interrupted; the end comes when it returns to
    // script. The first reason of a run is kept.
    void terminate(Reason reason);
    void terminate(Reason reason, RunId run);

    // The isolate's thread: why the run in progress, or the last one, was
    // terminated; nothing when it was not.
    std::optional<Reason> reason() const {
        int const reason = why.load(std::memory_order_acquire);
        if (reason == 0) [[likely]]
            return std::nullopt;
        return static_cast<Reason>(reason - 1);
    }

    // The isolate's thread, in a callback that script called, once a call
    // into COM is back: V8 acts on a termination only at its next stack
    // check, which a script that runs straight on may never reach. Makes V8
    // act on a termination asked meanwhile; true when the script is being
    // terminated, and the callback then returns at once.
    bool actOnRequest(v8::Isolate* isolate) {
        if (!requested.load(std::memory_order_acquire)) [[likely]]
            return false;
        return act(isolate);
    }

private:
    // Every host call is a run: beginning and ending one takes no lock.
    RunId beginRun() {
        why.store(0, std::memory_order_relaxed);
        requested.store(false, std::memory_order_relaxed);
        RunId const run = ++last;
        // A request that does not see the run yet came before it, and does
        // nothing: only the end must not miss one.
        running.store(run, std::memory_order_release);
        return run;
    }
    void endRun() {
        running.store(0, std::memory_order_relaxed);
        // The light half of the fence whose heavy half a request pays for
        // (terminateIf): either the request reads this run over, and does
        // nothing, or this reads `deciding` set, and waits for the request
        // to be made. A stop is never lost nor left for the next run, and
        // the run's end takes no locked instruction.
        AsymmetricFence::light(systemFence);
        if (deciding.load(std::memory_order_acquire)) [[unlikely]]
            waitForRequest();
        requested.store(false, std::memory_order_relaxed);
        if (why.load(std::memory_order_acquire) != 0) [[unlikely]]
            cancel();
    }
    void waitForRequest();
    // Lets the isolate run scripts again after a terminated run.
    void cancel();
    // A request while `run` is in progress: under the lock, and marked as
    // deciding, so that the run cannot end and the next begin in between.
    void terminateIf(Reason reason, bool (*applies)(RunId running, RunId run), RunId run);
    bool act(v8::Isolate* isolate);

    // Serialises requests with one another and with the isolate coming and
    // going. The isolate's thread takes it only when a run ends while a
    // request is deciding about it: runs begin and end without it.
    mutable std::mutex mutex;
    v8::Isolate* isolate = nullptr;
    // The isolate's thread only: the entries into script in progress and the
    // id of the last run.
    unsigned depth = 0;
    RunId last = 0;
    // The run in progress, 0 while none. A request sets `deciding` before it
    // reads `running`, a run's end clears `running` before it reads
    // `deciding`, the two halves of an AsymmetricFence between: either the
    // request sees the run over, or the end sees the request and waits for
    // it to be made.
    std::atomic<RunId> running{0};
    std::atomic<bool> deciding{false};
    // The first reason of the run in progress, or the last one; 0 for none,
    // else the reason plus one.
    std::atomic<int> why{0};
    // Set while the run in progress has been asked to end: the check after
    // each call into COM reads it without the lock.
    std::atomic<bool> requested{false};
    // Read once, as the engine is made: the fence's light half then needs
    // no check of its own.
    bool const systemFence = AsymmetricFence::heavyIsSystemWide();
};

} // namespace qor::format::engine::javascript
