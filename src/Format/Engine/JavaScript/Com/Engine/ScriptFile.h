#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"

#include <cstddef>
#include <expected>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>

namespace qor::format::engine::javascript {

// A script file holds at most this many bytes: more than the largest
// bundles, and far below the longest string V8 makes. What goes on beyond it
// (a device such as /dev/zero, a runaway pipe) is not a script.
inline constexpr std::size_t maxScriptFileSize = std::size_t{64} << 20;

enum class ScriptFileFault {
    unreadable, // missing, a directory, no permission, a name holding U+0000
    tooLarge,   // more than maxScriptFileSize bytes
};

// Words for a person, to follow the file's name.
QOR_JAVASCRIPT_COM_API char const* describe(ScriptFileFault fault);

// What a failed import or Include of `name` records: "Not able to find
// module: NAME", with the reason when the file is there but too large.
QOR_JAVASCRIPT_COM_API std::string notFoundMessage(std::string_view name, ScriptFileFault fault);

// The whole text of a script file, with CR LF line ends read as LF (as a
// text-mode read does on Windows). Pipes and other streams are read to their
// end, as long as they stay within the cap.
QOR_JAVASCRIPT_COM_API std::expected<std::string, ScriptFileFault> readScriptFile(std::filesystem::path const& path);

// The same from a stream already open, such as standard input: read to its
// end within the cap, CR LF read as LF.
QOR_JAVASCRIPT_COM_API std::expected<std::string, ScriptFileFault> readScriptStream(std::istream& in);

} // namespace qor::format::engine::javascript
