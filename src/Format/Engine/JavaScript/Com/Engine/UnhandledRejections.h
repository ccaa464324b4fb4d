#pragma once

#include "Format/Engine/JavaScript/Error.h"

#include <v8.h>

#include <list>
#include <optional>
#include <unordered_map>

namespace qor::format::engine::javascript {

// Promises rejected while nothing handled them, oldest first, each with the
// message V8 made of its rejection where it happened: by the time a run ends
// and the rejection counts as lost, the script that caused it has returned.
class UnhandledRejections {
public:
    void add(v8::Isolate* isolate, v8::Local<v8::Promise> promise);
    // A handler came after all.
    void remove(v8::Local<v8::Promise> promise);
    // The error of the oldest rejection that still has no handler, if any;
    // forgets them all. Call with a context entered.
    std::optional<Error> takeOldestUnhandled(v8::Isolate* isolate);
    // Before the isolate goes.
    void clear();
    // True when no rejection waits: the common case, decided without V8.
    bool empty() const { return rejections_.empty(); }

private:
    // Every global handle is a root that each garbage collection visits, so
    // a rejection keeps as few as it can: its reason is the promise's result,
    // and an Error object carries its own location.
    struct Rejection {
        v8::Global<v8::Promise> promise;
        v8::Global<v8::Message> message; // where a reason that is no Error arose
    };

    std::list<Rejection> rejections_;
    // By the promise's identity hash: scripts may handle thousands of
    // rejections in any order (Promise.allSettled of rejected promises).
    std::unordered_multimap<int, std::list<Rejection>::iterator> byHash_;
};

} // namespace qor::format::engine::javascript
