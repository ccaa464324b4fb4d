#pragma once

#include <v8.h>

namespace qor::tools::qorjs {

// Puts a `console` object (log, info, warn, error) on the context's global.
void installConsole(v8::Local<v8::Context> context);

} // namespace qor::tools::qorjs
