#pragma once

#include <v8.h>

#include <string>

namespace qor::format::engine::javascript {

// The binding of one COM class to scripts. Copyable, so every engine takes its
// own copy of the process-wide map; the template handle is only ever filled
// in an engine's copy.
struct V8Class {
    std::string name;
    bool registered = false;
    v8::Persistent<v8::ObjectTemplate, v8::CopyablePersistentTraits<v8::ObjectTemplate>> instanceTemplate;
};

} // namespace qor::format::engine::javascript
