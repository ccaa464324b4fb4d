#pragma once

// The timers of browsers and Node, for scripts of an engine that runs tasks
// (EngineOptions::eventLoop): setTimeout, setInterval, clearTimeout,
// clearInterval and queueMicrotask on the global object. A timer's callback
// runs as a task of the engine (runPendingTasks), each call a run of its own.

#include <v8.h>

namespace qor::format::engine::javascript::ScriptTimers {

void install(v8::Isolate* isolate, v8::Local<v8::Context> context);

} // namespace qor::format::engine::javascript::ScriptTimers
