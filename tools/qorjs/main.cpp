// qorjs: runs a script file or text in a QorJavaScriptCom engine, or an
// interactive session.

#include "ListClasses.h"
#include "Options.h"
#include "Repl.h"
#include "ScriptRun.h"
#include "Session.h"
#include "Terminal.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/ComExtractor.h"
#include "Format/Engine/JavaScript/Com/Version.h"

#include <v8.h>

#include <fmt/format.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace qorjs = qor::tools::qorjs;

// The program's own file, which its data files lie beside; found by the
// system, as the name it was started by may be one the PATH resolved.
std::filesystem::path programFile(char const* startedAs) {
    std::error_code error;
    std::filesystem::path found = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return found;
    found = std::filesystem::absolute(startedAs, error);
    return error ? std::filesystem::path("qorjs") : found;
}

// process.argv: the program, the script's path (none with -e or in the
// interactive session), the script's arguments.
std::vector<std::string> scriptArgv(qorjs::Options const& options, std::filesystem::path const& program) {
    std::vector<std::string> argv{program.string()};
    if (options.file) {
        std::error_code error;
        std::filesystem::path const script = std::filesystem::absolute(*options.file, error);
        argv.push_back(error ? *options.file : script.lexically_normal().string());
    } else if (options.standardInput) {
        argv.emplace_back("-");
    }
    argv.insert(argv.end(), options.scriptArguments.begin(), options.scriptArguments.end());
    return argv;
}

int run(qorjs::Options const& options, std::filesystem::path const& program) {
    auto text = qorjs::scriptText(options);
    if (!text) {
        std::fprintf(stderr, "qorjs: %s\n", text.error().c_str());
        return 2;
    }
    qorjs::Session session(program.parent_path());
    if (auto loaded = session.loadHostLibraries(options.hostLibraries); !loaded) {
        std::fprintf(stderr, "qorjs: %s\n", loaded.error().c_str());
        return 2;
    }
    if (options.declarations)
        return qorjs::printDeclarations(
            qor::format::engine::javascript::extractRegisteredComComponents(session.typeLibrary()),
            session.typeLibrary(), &session.classes(), options.comExtensions);
    std::filesystem::path const importDirectory =
        options.file ? std::filesystem::path(*options.file).parent_path() : std::filesystem::path();
    session.start(options, scriptArgv(options, program), importDirectory);
    if (options.file || options.code || options.standardInput)
        qorjs::runScript(session, options, *text);
    if (options.interactive && !session.process().exitRequested())
        qorjs::runRepl(session);
    session.engine().stopScript();
    std::fflush(stdout);
    return session.status();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> const arguments(argv + 1, argv + argc);
    // The library's assertion reports are for those who write hosts; a
    // script's user sees the errors the script gets, and no more.
    qor::assert::Assert::setEnabled(false);
    if (auto listing = qorjs::parseListClasses(arguments))
        return qorjs::listClasses(*listing);
    auto options = qorjs::parseOptions(arguments);
    if (options)
        if (auto given = qorjs::requireScript(*options, qorjs::isTerminal(stdin)); !given)
            options = std::unexpected(given.error());
    if (!options) {
        std::fputs(qorjs::usageError(options.error()).c_str(), stderr);
        return 2;
    }
    qor::assert::Assert::setEnabled(options->verbose);
    if (options->help) {
        std::fputs(qorjs::usageText, stdout);
        return 0;
    }
    if (options->version) {
        std::fputs(fmt::format("QorJavaScriptCom {}+{}, V8 {}\n", QOR_JAVASCRIPT_COM_VERSION,
                               QOR_JAVASCRIPT_COM_HEADERS_DIGEST, v8::V8::GetVersion())
                       .c_str(),
                   stdout);
        return 0;
    }
    return run(*options, programFile(argv[0]));
}
