#pragma once

#include "Session.h"

namespace qor::tools::qorjs {

// The interactive session over the session's engine, as Node's REPL: reads
// a statement (over several lines while it is left open), runs it, prints
// its value inspected and keeps it as _, until .exit, Ctrl-D at an empty
// prompt or process.exit. Lines are edited on a terminal (LineEditor),
// Ctrl-C ends a statement that runs. Errors print as the REPL prints them:
// "Uncaught ..." with the frames of the functions the statement called.
void runRepl(Session& session);

} // namespace qor::tools::qorjs
