#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <string>
#include <vector>

namespace qor::tools::qorjs {

// `--call NAME ARG...`: calls the script's global function NAME, or with
// `module` the top-level module's exported one, with the arguments read as
// numbers, booleans or strings, and prints what it returns. False when the
// call failed; its error has then been printed or left pending for the
// engine's report.
bool callFunction(format::engine::javascript::ComV8Engine& engine, std::string const& name,
                  std::vector<std::string> const& arguments, bool module);

} // namespace qor::tools::qorjs
