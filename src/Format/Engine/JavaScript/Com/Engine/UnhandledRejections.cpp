#include "Format/Engine/JavaScript/Com/Engine/UnhandledRejections.h"

#include "Format/Engine/JavaScript/V8Error.h"

#include <iterator>

namespace qor::format::engine::javascript {

void UnhandledRejections::add(v8::Isolate* isolate, v8::Local<v8::Promise> promise) {
    v8::HandleScope scope(isolate);
    Rejection rejection{v8::Global<v8::Promise>(isolate, promise), {}};
    // Any other reason gets the place of the script frame rejecting it now.
    if (v8::Local<v8::Value> reason = promise->Result(); !reason->IsNativeError()) {
        v8::TryCatch tryCatch(isolate);
        rejection.message.Reset(isolate, v8::Exception::CreateMessage(isolate, reason));
    }
    rejections_.push_back(std::move(rejection));
    byHash_.emplace(promise->GetIdentityHash(), std::prev(rejections_.end()));
}

void UnhandledRejections::remove(v8::Local<v8::Promise> promise) {
    auto [first, last] = byHash_.equal_range(promise->GetIdentityHash());
    for (auto entry = first; entry != last; ++entry) {
        if (entry->second->promise == promise) {
            rejections_.erase(entry->second);
            byHash_.erase(entry);
            return;
        }
    }
}

void UnhandledRejections::clear() {
    byHash_.clear();
    rejections_.clear();
}

std::optional<Error> UnhandledRejections::takeOldestUnhandled(v8::Isolate* isolate) {
    v8::HandleScope scope(isolate);
    std::optional<Error> oldest;
    for (Rejection const& rejection : rejections_) {
        // Marked as handled without a handler being added: a failed module
        // evaluation, whose reason the engine reports as the run's own error.
        v8::Local<v8::Promise> promise = rejection.promise.Get(isolate);
        if (promise->HasHandler())
            continue;
        oldest = rejection.message.IsEmpty()
                     ? V8Error::get(Error::Type::Exception, isolate, promise->Result())
                     : V8Error::get(Error::Type::Exception, isolate, promise->Result(), rejection.message.Get(isolate));
        break;
    }
    clear();
    return oldest;
}

} // namespace qor::format::engine::javascript
