#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"

#include <filesystem>
#include <optional>
#include <string>

namespace qor::format::engine::javascript {

// The whole text of a script file, with CR LF line ends read as LF (as a
// text-mode read does on Windows), or nothing when it cannot be opened.
QOR_JAVASCRIPT_COM_API std::optional<std::string> readScriptFile(std::filesystem::path const& path);

} // namespace qor::format::engine::javascript
