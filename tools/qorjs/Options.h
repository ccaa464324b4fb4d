#pragma once

#include <chrono>
#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace qor::tools::qorjs {

// A script that fills its heap ends with an error at this size, well before
// V8's own limit would end the process.
inline constexpr std::size_t defaultMaxHeapMegabytes = 1024;

struct Options {
    std::optional<std::string> file;        // the script file to run
    std::optional<std::string> code;        // or the script text given with -e
    bool standardInput = false;             // or the script on standard input: FILE "-"
    std::vector<std::string> scriptArguments; // the words after FILE (or -e CODE): process.argv's rest
    std::vector<std::string> hostLibraries; // loaded in this order before the script runs
    std::optional<std::string> call;        // a function to call once the script has run
    std::vector<std::string> callArguments; // its arguments, as given
    std::optional<unsigned short> inspectPort; // run under the inspector on this port
    bool inspectBreak = false;                 // and wait for a debugger, stopping at the first line
    bool comExtensions = false;                // every engine option on: dates, script objects, events
    bool declarations = false;                 // print the TypeScript declarations of the globals, run nothing
    std::optional<std::chrono::milliseconds> timeLimit; // of the run and of the --call, each
    std::size_t maxHeapMegabytes = defaultMaxHeapMegabytes; // the script's heap, and its ArrayBuffers besides
    bool module = false;
    bool quiet = false;
    bool verbose = false;                      // show the library's assertion reports
    bool help = false;
    bool version = false;
    bool interactive = false;                  // -i: the interactive session, after the script if any
};

// The options of a command line, or the text of a usage error. Options
// come first; the first word that is not one is FILE (with -e, the first of
// the script's arguments), and every word after it is the script's, except
// --call, which takes the rest as before. "--" ends the options.
std::expected<Options, std::string> parseOptions(std::vector<std::string> const& arguments);

// A command line without a script: the interactive session on a terminal
// (`terminal`: standard input is one), else the script on standard input, as
// `cat script.js | node` runs it.
std::expected<void, std::string> requireScript(Options& options, bool terminal);

extern char const* const usageText;

// How a usage error is shown: one line, and where the help is.
std::string usageError(std::string const& error);

} // namespace qor::tools::qorjs
