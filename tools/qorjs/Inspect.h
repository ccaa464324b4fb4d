#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <v8.h>

#include <cstddef>
#include <optional>
#include <string>

namespace qor::tools::qorjs {

// How much of a value inspect shows, as the options of Node's util.inspect.
struct InspectOptions {
    std::optional<int> depth = 2;      // levels of nesting shown; nothing: all
    bool showHidden = false;           // non-enumerable properties too, in brackets
    std::size_t maxArrayLength = 100;  // elements of arrays, sets and maps
    std::size_t maxStringLength = 10000;
    std::size_t breakLength = 80;      // entries share a line up to this width
    int compact = 3;                   // innermost levels whose entries may share a line
};

// A value as Node's util.inspect shows it, for the console and the
// interactive session. No getter runs and no proxy trap: a getter shows as
// [Getter], a proxy as its target. A COM object shows the class its bindings
// give it and "[COM]" (what a script added to it besides), from the engine,
// without a call into the object. What a script throws while a value is read
// is shown in its place. Nothing only when the run is being terminated.
// The context must be entered.
std::optional<std::string> inspect(format::engine::javascript::ComV8Engine& engine, v8::Local<v8::Context> context,
                                   v8::Local<v8::Value> value, InspectOptions const& options = {});

// What stands for a value whose reading threw `exception`:
// "<Inspection threw (MESSAGE)>".
std::string inspectionThrew(v8::Local<v8::Context> context, v8::Local<v8::Value> exception);

} // namespace qor::tools::qorjs
