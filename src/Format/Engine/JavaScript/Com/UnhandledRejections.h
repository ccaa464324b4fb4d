#pragma once

#include "Format/Engine/JavaScript/Error.h"

#include <v8.h>

#include <optional>
#include <vector>

namespace qor::format::engine::javascript {

// Promises rejected while nothing handled them, oldest first, each with the
// message V8 made of its rejection where it happened: by the time a run ends
// and the rejection counts as lost, the script that caused it has returned.
class UnhandledRejections {
public:
    void add(v8::Isolate* isolate, v8::Local<v8::Promise> promise, v8::Local<v8::Value> reason);
    // A handler came after all.
    void remove(v8::Isolate* isolate, v8::Local<v8::Promise> promise);
    // The error of the oldest rejection that still has no handler, if any;
    // forgets them all. Call with a context entered.
    std::optional<Error> takeOldestUnhandled(v8::Isolate* isolate);
    // Before the isolate goes.
    void clear() { rejections_.clear(); }

private:
    struct Rejection {
        v8::Global<v8::Promise> promise;
        v8::Global<v8::Value> reason;
        v8::Global<v8::Message> message;
    };

    std::vector<Rejection> rejections_;
};

} // namespace qor::format::engine::javascript
