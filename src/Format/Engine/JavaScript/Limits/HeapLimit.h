#pragma once

#include "Format/Engine/JavaScript/Limits/ScriptTermination.h"

#include <v8.h>

#include <cstddef>
#include <optional>

namespace qor::format::engine::javascript {

// A bound on an isolate's heap that ends the script rather than the process.
// V8 aborts when its heap reaches the limit and nothing raises it; here the
// limit is raised for a moment, enough for the script to unwind, the running
// script is terminated, and the limit is restored after the run.
class HeapLimit {
public:
    explicit HeapLimit(ScriptTermination& termination) : termination(termination) {}
    HeapLimit(HeapLimit const&) = delete;
    HeapLimit& operator=(HeapLimit const&) = delete;

    // Before the isolate is made.
    void set(std::size_t bytes) { limit = bytes; }
    std::optional<std::size_t> get() const { return limit; }

    // The constraints of the isolate about to be made, when a limit is set.
    void configure(v8::Isolate::CreateParams& params) const;
    // Watches the isolate made with them; null before it goes.
    void watch(v8::Isolate* isolate);
    // The isolate's thread, after a run: a raised limit goes back, once the
    // garbage of the run is collected.
    void restore() {
        if (raised) [[unlikely]]
            restoreLimit();
    }

private:
    void restoreLimit();
    static std::size_t nearLimit(void* data, std::size_t current, std::size_t initial);

    ScriptTermination& termination;
    std::optional<std::size_t> limit;
    v8::Isolate* isolate = nullptr;
    // The old generation's limit as V8 made it of `limit`.
    std::size_t initial = 0;
    bool raised = false;
};

} // namespace qor::format::engine::javascript
