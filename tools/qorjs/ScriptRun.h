#pragma once

#include "Options.h"
#include "Session.h"

#include <optional>
#include <string>

namespace qor::tools::qorjs {

// The script of a command line, FILE or -e CODE, as a session runs it: its
// completion value printed as console.log prints it (unless it is undefined,
// a module's, or --call's result takes its place), then the --call. Errors
// are reported through the session.
void runScript(Session& session, Options const& options, std::string const& text);

// The script's text: -e's, or FILE's; the message of a file that cannot be
// read.
std::expected<std::string, std::string> scriptText(Options const& options);

} // namespace qor::tools::qorjs
