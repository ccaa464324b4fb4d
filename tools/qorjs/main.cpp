// qorjs: runs a script file or text in a QorJavaScriptCom engine.

#include "Console.h"
#include "ErrorPrinter.h"
#include "HostCall.h"
#include "HostLibraries.h"
#include "ImportResolver.h"
#include "ListClasses.h"
#include "Options.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/ComExtractor.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/ScriptFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using qor::format::engine::javascript::ComV8Engine;
using qor::format::engine::javascript::Error;
namespace qorjs = qor::tools::qorjs;

void printError(Error const& error) {
    std::string const text = qorjs::formatError(error);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

// Where the installed package's data folder lies from the program's folder;
// the build passes its own layout.
#ifndef QORJS_INSTALLED_DATA_DIR
#    define QORJS_INSTALLED_DATA_DIR "../share/QorJavaScriptCom"
#endif

// The engine's own types, which script arrays handed to COM report: beside
// the program in the build, in the package's data folder once installed.
std::filesystem::path engineTypeLibrary(std::filesystem::path const& programDirectory) {
    std::filesystem::path const beside = programDirectory / "QorJavaScriptCom.tlb";
    std::error_code error;
    if (std::filesystem::exists(beside, error))
        return beside;
    return programDirectory / QORJS_INSTALLED_DATA_DIR / "QorJavaScriptCom.tlb";
}

int run(qorjs::Options const& options, std::filesystem::path const& programDirectory) {
    ComV8Engine::ScriptSettings settings;
    settings.isModule = options.module;
    std::string text;
    if (options.file) {
        settings.path = std::filesystem::path(*options.file);
        auto content = qor::format::engine::javascript::readScriptFile(*settings.path);
        if (!content) {
            std::fprintf(stderr, "qorjs: %s %s\n", options.file->c_str(), describe(content.error()));
            return 2;
        }
        text = std::move(*content);
    } else if (options.code) {
        text = *options.code;
    }

    // Declared first, so that the libraries stay loaded until the registry
    // and type library they filled are gone.
    qorjs::HostLibraries hostLibraries;
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    typeLibrary.addPath(engineTypeLibrary(programDirectory));
    for (std::string const& library : options.hostLibraries) {
        if (auto loaded = hostLibraries.load(library, classes, typeLibrary); !loaded) {
            std::fprintf(stderr, "qorjs: %s\n", loaded.error().c_str());
            return 2;
        }
    }
    if (options.declarations)
        return qorjs::printDeclarations(qor::format::engine::javascript::extractRegisteredComComponents(typeLibrary),
                                        typeLibrary, &classes, options.comExtensions);
    ComV8Engine engine(classes, typeLibrary, programDirectory);
    std::size_t const maxHeap = options.maxHeapMegabytes << 20;
    engine.setHeapLimit(maxHeap);
    engine.setArrayBufferLimit(maxHeap);
    engine.setTimeLimit(options.timeLimit);
    bool failed = false;
    engine.errorHandler = [&](auto&, Error& error) {
        failed = true;
        printError(error);
    };
    engine.setOptions(qorjs::engineOptions(options.comExtensions));
    engine.setImportResolverCallback(
        qorjs::makeImportResolver(settings.path ? settings.path->parent_path() : std::filesystem::path()));

    // An empty first run creates the context, so the console is in place
    // before the script's first line.
    engine.setScript("", {});
    engine.runScript([](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) { qorjs::installConsole(context); });

    if (options.inspectPort) {
        engine.setDebugging(true);
        engine.setDebugPort(*options.inspectPort);
        bool const wait = options.inspectBreak;
        // Asked again before the runs of --call: the address is said and the
        // wait done once, as node does. The engine passes the dialog on by
        // value, so its copies share the flag.
        engine.setExecDebuggerDialog([wait, said = std::make_shared<bool>(false)](unsigned short port) {
            if (*said)
                return false;
            *said = true;
            std::fprintf(stderr, "Debugger listening on %s\n", ComV8Engine::debuggerFrontendUrl(port).c_str());
            if (wait)
                std::fprintf(stderr, "Waiting for the debugger to attach...\n");
            std::fflush(stderr);
            return wait;
        });
        engine.setExecWebsocketDisconnectDialog([] { std::fprintf(stderr, "Debugger disconnected.\n"); });
    }

    engine.setScript(text, settings);
    engine.runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) {
        if (!result) {
            failed = true;
            // As with runScript(): an error recorded during the run, such as a
            // missing import, is the one reported, and the stop reports it.
            if (!engine.hasPendingError())
                printError(result.error());
        } else if (!options.quiet && !options.module && !options.call && !(*result)->IsUndefined()) {
            v8::String::Utf8Value value(engine.getIsolate(), *result);
            if (*value != nullptr) {
                std::fwrite(*value, 1, static_cast<std::size_t>(value.length()), stdout);
                std::fputc('\n', stdout);
            }
        }
    });
    if (options.call && !failed && !qorjs::callFunction(engine, *options.call, options.callArguments, options.module))
        failed = true;
    engine.stopScript();
    std::fflush(stdout);
    return failed ? 1 : 0;
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
    if (!options) {
        std::fputs(qorjs::usageError(options.error()).c_str(), stderr);
        return 2;
    }
    qor::assert::Assert::setEnabled(options->verbose);
    if (options->help) {
        std::fputs(qorjs::usageText, stdout);
        return 0;
    }
    // The snapshot file, when there is one, sits beside the program.
    std::error_code ec;
    auto program = std::filesystem::absolute(argv[0], ec);
    return run(*options, ec ? std::filesystem::path(".") : program.parent_path());
}
