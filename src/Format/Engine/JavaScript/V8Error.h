#pragma once

#include "Format/Engine/JavaScript/Error.h"

#include <v8.h>

#include <string_view>

namespace qor::format::engine::javascript::V8Error {

// The error for the exception `tryCatch` caught: its message, and the script
// location, source line and stack trace where V8 knows them.
Error get(Error::Type type, v8::Isolate* isolate, v8::TryCatch const& tryCatch);

// The error for an exception that was caught elsewhere (a promise's reason):
// its location comes from the stack trace an Error object carries.
Error get(Error::Type type, v8::Isolate* isolate, v8::Local<v8::Value> exception);

// The error for an exception and the message V8 made of it earlier, where the
// exception arose (a promise's reason, described when it was rejected).
Error get(Error::Type type, v8::Isolate* isolate, v8::Local<v8::Value> exception, v8::Local<v8::Message> message);

// An error carrying `message`. With an isolate that is running a script, the
// location of the innermost script frame is added.
Error get(Error::Type type, v8::Isolate* isolate, std::string_view message);

} // namespace qor::format::engine::javascript::V8Error
