#pragma once

#include "Format/Engine/JavaScript/Error.h"

#include <string>

namespace qor::tools::qorjs {

// "RESOURCE:LINE:COLUMN: MESSAGE" (unknown parts left out), then the source
// line and the stack trace when the error carries them.
std::string formatError(format::engine::javascript::Error const& error);

} // namespace qor::tools::qorjs
