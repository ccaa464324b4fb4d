#pragma once

#include <optional>
#include <string>

namespace qor::tools::qorjs {

// The next line of standard input, without its line end ("\n" or "\r\n");
// nothing at the end of the input, which may be read again later (a
// terminal's Ctrl-D ends one read, not the input). What was written to
// standard output goes out first, so that a prompt shows before the read
// waits.
std::optional<std::string> readInputLine();

} // namespace qor::tools::qorjs
