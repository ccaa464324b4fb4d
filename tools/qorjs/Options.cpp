#include "Options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace qor::tools::qorjs {

char const* const usageText =
    "Usage: qorjs [options] FILE [ARG...]\n"
    "       qorjs [options] -e CODE [ARG...]\n"
    "       qorjs [options] - [ARG...]   (the script read from standard input)\n"
    "       qorjs [options]              (the interactive session on a terminal, else\n"
    "                                     the script read from standard input)\n"
    "\n"
    "Runs a script in a QorJavaScriptCom engine and prints its completion value as\n"
    "console.log does (nothing when it is undefined). Options come first: the words\n"
    "after FILE (or after -e CODE and its options) are the script's arguments; \"--\"\n"
    "ends the options.\n"
    "\n"
    "Scripts have a console as Node's: log, info, debug, dir, table, time, timeLog,\n"
    "timeEnd, count, countReset, assert, trace and group, on stdout (warn and error\n"
    "on stderr), values formatted as Node formats them (COM objects by the class\n"
    "their bindings give them, \"Sheet [COM] {}\", without a call into them).\n"
    "They have process: process.argv (qorjs, the script's path, its arguments),\n"
    "process.env, process.exit([code]), process.exitCode, process.stdin.readLine()\n"
    "(the next line of standard input, null at its end), process.stdout.write(text)\n"
    "and process.stderr.write(text); and Include(NAME) to run another script file once.\n"
    "\n"
    "Options:\n"
    "  -e, --eval CODE   run CODE instead of a file\n"
    "  -i, --interactive start the interactive session after the script, if any,\n"
    "                    also when standard input is not a terminal\n"
    "  -m, --module      run the script as an ES module (its evaluation promise is\n"
    "                    not printed; print with console.log)\n"
    "  -q, --quiet       do not print the completion value\n"
    "      --verbose     also print the library's assertion reports (for developers\n"
    "                    of host libraries) on stderr\n"
    "      --host LIB    load the host library LIB first: its classes become the\n"
    "                    script's constructors and global objects (repeatable)\n"
    "      --com-extensions\n"
    "                    turn on the engine's extensions: DATEs as Dates, CY and\n"
    "                    DECIMAL as numbers, script functions and objects passed\n"
    "                    to COM, and COM events (addEventListener, ConnectObject);\n"
    "                    failures of COM calls are Error objects with the HRESULT\n"
    "                    as their number even without it\n"
    "      --call NAME [ARG...]\n"
    "                    once the script has run, call its global function NAME\n"
    "                    (with --module, the module's exported function NAME) and\n"
    "                    print what it returns instead of the completion value; the\n"
    "                    rest of the command line are its arguments: numbers, true\n"
    "                    and false, the rest strings (so FILE comes before it; after\n"
    "                    \"--\", --call is an argument of the script)\n"
    "      --dts         print the TypeScript declarations of the script's globals\n"
    "                    (with --host, --com-extensions) instead of running a script\n"
    "      --inspect[=PORT]\n"
    "                    run the script under the inspector on 127.0.0.1:PORT (9229\n"
    "                    unless given); its devtools:// address is printed on stderr\n"
    "                    for Chrome DevTools (chrome://inspect) or VS Code to attach\n"
    "      --inspect-brk[=PORT]\n"
    "                    the same, but wait for a debugger to attach and stop at the\n"
    "                    script's first line\n"
    "      --timeout SECONDS\n"
    "                    end the script with an error once it has run that long,\n"
    "                    counting its timers and tasks and the waits for them; then\n"
    "                    the same for the --call (a decimal number; no limit unless\n"
    "                    given); in the interactive session, each statement\n"
    "      --max-heap MB end the script with an error when its heap reaches MB\n"
    "                    megabytes (1024 unless given); its ArrayBuffers may hold as\n"
    "                    much again\n"
    "  -v, --version     print the versions of QorJavaScriptCom and of V8\n"
    "  -h, --help        show this text\n"
    "\n"
    "Like Node, qorjs runs the script's timers (setTimeout, setInterval) and the\n"
    "tasks its objects post from other threads until none is pending, then ends.\n"
    "Ctrl-C terminates the script, with exit status 130. A module whose top-level\n"
    "await is still unsettled then is warned of, with exit status 13.\n"
    "\n"
    "The interactive session reads a statement, runs it and prints its value as\n"
    "Node's does: a statement left open at the end of a line goes on on the next;\n"
    "_ is the last value; .help lists the commands (.break, .exit, .load FILE,\n"
    ".save FILE); Tab completes global names and members (of a COM object, those\n"
    "its type information names, without a call into it); Ctrl-C clears the line,\n"
    "or ends the statement that runs; Ctrl-D on an empty line leaves. Its history\n"
    "is kept in ~/.qorjs_repl_history, or in the file QORJS_REPL_HISTORY names\n"
    "(none when it is empty).\n"
    "\n"
    "Include(NAME), import ... from 'NAME' and import('NAME') read files. A relative\n"
    "NAME (./x.mjs, ../lib/y.js, lib.js) is found beside the top-level FILE (the\n"
    "current directory with -e and in the interactive session), whichever file asks\n"
    "for it; an absolute NAME is read as given. Every import loads a fresh copy of\n"
    "its file, except a NAME that is already being loaded on the importing module's\n"
    "own import path: that links back to it, so cycles work. A NAME that is not\n"
    "found is reported as \"Not able to find module: NAME\" after the run.\n"
    "\n"
    "A script file (FILE, or one read by Include or import) holds at most 64 MiB;\n"
    "FILE may be a pipe, such as <(command).\n"
    "\n"
    "Errors are printed to stderr as RESOURCE:LINE:COLUMN: MESSAGE, followed by the\n"
    "source line and stack trace when known.\n"
    "Exit status: what process.exit(code) asked for; else 1 when the script reported\n"
    "an error; else process.exitCode, 0 unless set. 2 for a usage error, a file that\n"
    "cannot be read or a host library that cannot be loaded.\n"
    "\n"
    "qorjs --typelib FILE [--typelib FILE...] --list-classes prints as JSON the COM\n"
    "classes that scripts get from those type libraries (a FILE may also name a\n"
    "resource of a module, MODULE\\N). Where two libraries define the same type, the\n"
    "one named first wins. A library that cannot be loaded is reported on stderr,\n"
    "with exit status 1. With --dts instead of --list-classes (and --com-extensions\n"
    "if wanted), it prints the TypeScript declarations of the globals that scripts\n"
    "get from them, for tsc --checkJs --lib es2022,scripthost.\n";

namespace {

// One option of the command line: its names, what its value is (none for a
// flag), and what it sets.
struct OptionSpec {
    char const* shortName; // may be null
    char const* longName;
    char const* valueName; // null for a flag
    void (*apply)(Options& options, std::string const& value);
    // What is wrong with a value, for the options whose values must be checked.
    std::optional<std::string> (*check)(std::string const& value) = nullptr;
};

// A decimal number that is the whole text, or nothing.
template <class Number>
std::optional<Number> numberOf(std::string const& text) {
    Number number{};
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

// Up to a day: the milliseconds stay in range, and a longer limit means none.
constexpr double maximumSeconds = 24 * 60 * 60;
// Beyond what a machine has; V8 caps a heap far lower anyway.
constexpr std::size_t maximumHeapMegabytes = std::size_t{1} << 20;

std::optional<std::string> checkSeconds(std::string const& value) {
    auto seconds = numberOf<double>(value);
    if (!seconds || !(*seconds > 0) || *seconds > maximumSeconds)
        return "--timeout needs a number of seconds above 0, up to a day";
    return std::nullopt;
}

std::optional<std::string> checkMegabytes(std::string const& value) {
    auto megabytes = numberOf<std::size_t>(value);
    if (!megabytes || *megabytes == 0 || *megabytes > maximumHeapMegabytes)
        return "--max-heap needs a whole number of megabytes above 0";
    return std::nullopt;
}

constexpr OptionSpec optionSpecs[] = {
    {"-e", "--eval", "the script text", [](Options& o, std::string const& value) { o.code = value; }},
    {"-m", "--module", nullptr, [](Options& o, std::string const&) { o.module = true; }},
    {"-q", "--quiet", nullptr, [](Options& o, std::string const&) { o.quiet = true; }},
    {nullptr, "--verbose", nullptr, [](Options& o, std::string const&) { o.verbose = true; }},
    {"-h", "--help", nullptr, [](Options& o, std::string const&) { o.help = true; }},
    {"-v", "--version", nullptr, [](Options& o, std::string const&) { o.version = true; }},
    {"-i", "--interactive", nullptr, [](Options& o, std::string const&) { o.interactive = true; }},
    {nullptr, "--com-extensions", nullptr, [](Options& o, std::string const&) { o.comExtensions = true; }},
    {nullptr, "--dts", nullptr, [](Options& o, std::string const&) { o.declarations = true; }},
    {nullptr, "--host", "a host library",
     [](Options& o, std::string const& value) { o.hostLibraries.push_back(value); }},
    {nullptr, "--timeout", "a number of seconds",
     [](Options& o, std::string const& value) {
         o.timeLimit = std::chrono::milliseconds(std::max(1LL, std::llround(*numberOf<double>(value) * 1000.0)));
     },
     checkSeconds},
    {nullptr, "--max-heap", "a number of megabytes",
     [](Options& o, std::string const& value) { o.maxHeapMegabytes = *numberOf<std::size_t>(value); }, checkMegabytes},
};

OptionSpec const* findOption(std::string const& argument) {
    for (OptionSpec const& spec : optionSpecs)
        if ((spec.shortName != nullptr && argument == spec.shortName) || argument == spec.longName)
            return &spec;
    return nullptr;
}

constexpr unsigned short defaultInspectPort = 9229;

// --inspect, --inspect=PORT, --inspect-brk, --inspect-brk=PORT
std::expected<void, std::string> parseInspect(std::string const& arg, Options& options) {
    std::string_view rest = std::string_view(arg).substr(std::string_view("--inspect").size());
    bool const brk = rest.starts_with("-brk");
    if (brk)
        rest.remove_prefix(4);
    unsigned port = defaultInspectPort;
    if (rest.starts_with("=")) {
        rest.remove_prefix(1);
        port = 0;
        for (char c : rest)
            if (c < '0' || c > '9' || (port = port * 10 + unsigned(c - '0')) > 65535)
                return std::unexpected("bad port in " + arg);
        if (rest.empty() || port == 0)
            return std::unexpected("bad port in " + arg);
    } else if (!rest.empty()) {
        return std::unexpected("unknown option " + arg);
    }
    options.inspectPort = static_cast<unsigned short>(port);
    options.inspectBreak = brk;
    return {};
}

} // namespace

namespace {

// The words after the script's first: its arguments, up to a --call that
// takes the rest (unless "--" came before it).
std::expected<void, std::string> takeScriptArguments(std::vector<std::string> const& arguments, std::size_t from,
                                                     bool optionsEnded, Options& options) {
    for (std::size_t i = from; i < arguments.size(); ++i) {
        if (!optionsEnded && arguments[i] == "--call") {
            if (i + 1 == arguments.size())
                return std::unexpected("--call needs a function name");
            options.call = arguments[i + 1];
            options.callArguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2, arguments.end());
            return {};
        }
        options.scriptArguments.push_back(arguments[i]);
    }
    return {};
}

} // namespace

std::expected<Options, std::string> parseOptions(std::vector<std::string> const& arguments) {
    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string const& arg = arguments[i];
        if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
            // The script's first word: FILE, or with -e its first argument.
            std::size_t next = i;
            if (!options.code) {
                if (arguments[next] == "-")
                    options.standardInput = true;
                else
                    options.file = arguments[next];
                ++next;
            }
            auto taken = takeScriptArguments(arguments, next, optionsEnded, options);
            if (!taken)
                return std::unexpected(taken.error());
            break;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (OptionSpec const* spec = findOption(arg)) {
            if (spec->valueName == nullptr) {
                spec->apply(options, {});
                continue;
            }
            if (++i == arguments.size())
                return std::unexpected(arg + " needs " + spec->valueName);
            if (spec->check != nullptr)
                if (auto wrong = spec->check(arguments[i]))
                    return std::unexpected(*wrong);
            spec->apply(options, arguments[i]);
        } else if (arg.starts_with("--inspect")) {
            auto parsed = parseInspect(arg, options);
            if (!parsed)
                return std::unexpected(parsed.error());
        } else if (arg == "--call") {
            if (++i == arguments.size())
                return std::unexpected("--call needs a function name");
            options.call = arguments[i];
            options.callArguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
            break;
        } else {
            return std::unexpected("unknown option " + arg);
        }
    }
    bool const script = options.file || options.code || options.standardInput;
    if (options.declarations && (script || options.call || options.interactive))
        return std::unexpected("--dts runs no script");
    if (options.call && !script)
        return std::unexpected(options.callArguments.empty()
                                   ? "no script given: --call calls a function of one"
                                   : "no script given: --call takes the rest of the command line, so FILE goes "
                                     "before it");
    return options;
}

std::expected<void, std::string> requireScript(Options& options, bool terminal) {
    if (options.file || options.code || options.standardInput || options.interactive || options.declarations ||
        options.help || options.version)
        return {};
    if (terminal)
        options.interactive = true;
    else
        options.standardInput = true;
    return {};
}

std::string usageError(std::string const& error) {
    return "qorjs: " + error + "; see qorjs --help\n";
}

} // namespace qor::tools::qorjs
