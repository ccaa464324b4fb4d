#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <v8.h>

#include <optional>
#include <string>

namespace qor::tools::qorjs {

// What console.table(data, properties) writes, as Node draws it: a row per
// entry of an object, array, Map or Set, a column per property of the rows
// (or per name in `properties`, when it is an array), cells inspected one
// level deep. Values in rows that are COM objects are not read: such a row
// shows the object itself. Empty when `data` is no table (a primitive or a
// COM object), which console.table logs instead; nothing only when the run
// is being terminated.
std::optional<std::string> formatTable(format::engine::javascript::ComV8Engine& engine, v8::Local<v8::Context> context,
                                       v8::Local<v8::Value> data, v8::Local<v8::Value> properties);

} // namespace qor::tools::qorjs
