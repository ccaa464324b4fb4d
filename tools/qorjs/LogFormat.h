#pragma once

#include "Inspect.h"

#include <v8.h>

#include <optional>
#include <span>
#include <string>

namespace qor::tools::qorjs {

// The line console.log writes for its arguments, as Node's util.format: in a
// first string, %s %d %i %f %j %o %O and %c take the arguments in turn and
// %% is a percent sign; the arguments left follow, separated by spaces,
// strings as they are and other values inspected. A value whose conversion
// throws shows why in its place. Nothing only when the run is being
// terminated.
std::optional<std::string> formatLog(format::engine::javascript::ComV8Engine& engine, v8::Local<v8::Context> context,
                                     std::span<v8::Local<v8::Value> const> arguments,
                                     InspectOptions const& options = {});

} // namespace qor::tools::qorjs
