#pragma once

#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"
#include "Format/Engine/JavaScript/Com/Engine/ObjectRegistry.h"
#include "Format/Engine/JavaScript/Limits/ScriptTermination.h"

#include <v8.h>

#include <cstdint>

namespace qor::format::engine::javascript {

class ComV8Engine;

// What every callback of an engine finds in its isolate's embedder data. The
// engine fills the slots right after creating the isolate, before any script
// runs.
namespace IsolateData {

inline constexpr std::uint32_t engineSlot = 0;
inline constexpr std::uint32_t classMapSlot = 1;
inline constexpr std::uint32_t objectRegistrySlot = 2;
inline constexpr std::uint32_t terminationSlot = 3;

inline ComV8Engine& engine(v8::Isolate* isolate) {
    return *static_cast<ComV8Engine*>(isolate->GetData(engineSlot));
}

inline ClassMap& classMap(v8::Isolate* isolate) {
    return *static_cast<ClassMap*>(isolate->GetData(classMapSlot));
}

inline ObjectRegistry& objectRegistry(v8::Isolate* isolate) {
    return *static_cast<ObjectRegistry*>(isolate->GetData(objectRegistrySlot));
}

// What ends the engine's runs: read by every call into COM as it returns.
inline ScriptTermination& termination(v8::Isolate* isolate) {
    return *static_cast<ScriptTermination*>(isolate->GetData(terminationSlot));
}

} // namespace IsolateData

} // namespace qor::format::engine::javascript
