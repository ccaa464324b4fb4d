#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <filesystem>

namespace qor::tools::qorjs {

// Finds Include, import and import() names as files: a relative name beside
// the top-level script (in `scriptDirectory`), an absolute one where it
// says. A name that is not found leaves "Not able to find module: NAME"
// pending, as the engine's own file loading does.
format::engine::javascript::ComV8Engine::ImportResolver makeImportResolver(std::filesystem::path scriptDirectory);

} // namespace qor::tools::qorjs
