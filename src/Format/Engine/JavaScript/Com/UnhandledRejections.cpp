#include "Format/Engine/JavaScript/Com/UnhandledRejections.h"

#include "Format/Engine/JavaScript/V8Error.h"

#include <algorithm>

namespace qor::format::engine::javascript {

void UnhandledRejections::add(v8::Isolate* isolate, v8::Local<v8::Promise> promise, v8::Local<v8::Value> reason) {
    v8::HandleScope scope(isolate);
    // An Error object's message comes from its own stack; any other reason
    // gets the place of the script frame rejecting it now.
    v8::TryCatch tryCatch(isolate);
    v8::Local<v8::Message> message = v8::Exception::CreateMessage(isolate, reason);
    rejections_.push_back({v8::Global<v8::Promise>(isolate, promise), v8::Global<v8::Value>(isolate, reason),
                           v8::Global<v8::Message>(isolate, message)});
}

void UnhandledRejections::remove(v8::Isolate* isolate, v8::Local<v8::Promise> promise) {
    // Most handlers follow their rejection at once (Promise.reject(x).catch),
    // so the search starts at the newest.
    auto const found = std::find_if(rejections_.rbegin(), rejections_.rend(),
                                    [&](Rejection const& rejection) { return rejection.promise == promise; });
    if (found != rejections_.rend())
        rejections_.erase(std::next(found).base());
}

std::optional<Error> UnhandledRejections::takeOldestUnhandled(v8::Isolate* isolate) {
    v8::HandleScope scope(isolate);
    std::optional<Error> oldest;
    for (Rejection const& rejection : rejections_) {
        // Marked as handled without a handler being added: a failed module
        // evaluation, whose reason the engine reports as the run's own error.
        if (rejection.promise.Get(isolate)->HasHandler())
            continue;
        oldest = V8Error::get(Error::Type::Exception, isolate, rejection.reason.Get(isolate),
                              rejection.message.Get(isolate));
        break;
    }
    rejections_.clear();
    return oldest;
}

} // namespace qor::format::engine::javascript
