// qorjs: runs a script file or text in a QorJavaScriptCom engine.

#include "Console.h"
#include "ErrorPrinter.h"
#include "EventLoop.h"
#include "HostCall.h"
#include "HostLibraries.h"
#include "ImportResolver.h"
#include "Interrupts.h"
#include "ListClasses.h"
#include "Options.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/ComExtractor.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/ScriptFile.h"

#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using qor::format::engine::javascript::ComV8Engine;
using qor::format::engine::javascript::EngineOptions;
using qor::format::engine::javascript::Error;
namespace qorjs = qor::tools::qorjs;
using Clock = qorjs::EventLoop::Clock;

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

// The status qorjs ends with on Ctrl-C, as a shell gives a program SIGINT ended.
constexpr int interruptedStatus = 130;
// Node's status for a top-level await that can never settle.
constexpr int unsettledAwaitStatus = 13;

// When what starts now must be over: the time limit of --timeout bounds a
// run with its tasks and the waits between them, every run ending by then.
std::optional<Clock::time_point> deadlineFrom(qorjs::Options const& options, ComV8Engine& engine) {
    if (!options.timeLimit)
        return std::nullopt;
    Clock::time_point const at = Clock::now() + *options.timeLimit;
    engine.setRunDeadline(at);
    return at;
}

// Runs the tasks what ran left, until none is pending; false when they
// failed or took too long.
bool runTasks(qorjs::EventLoop& loop, qorjs::Options const& options, ComV8Engine& engine, bool const& failed) {
    auto const end = loop.run(deadlineFrom(options, engine), [&] { return failed; });
    if (end == qorjs::EventLoop::End::deadline)
        std::fputs(fmt::format("Script terminated: it ran longer than its time limit of {:g} s\n",
                               static_cast<double>(options.timeLimit->count()) / 1000.0)
                       .c_str(),
                   stderr);
    return end == qorjs::EventLoop::End::idle;
}

// A module still awaiting at top level once nothing is left to settle it.
bool unsettled(v8::Isolate* isolate, v8::Global<v8::Promise> const& evaluation) {
    if (evaluation.IsEmpty())
        return false;
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    return evaluation.Get(isolate)->State() == v8::Promise::kPending;
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
    // qorjs runs the timers and tasks of its scripts, as Node does.
    EngineOptions engineOptions = options.comExtensions ? EngineOptions::all() : EngineOptions{};
    engineOptions.eventLoop = true;
    engine.setOptions(engineOptions);
    qorjs::EventLoop loop(engine);
    qorjs::Interrupts interrupts([&] {
        engine.terminateScript();
        loop.stop();
    });
    bool failed = false;
    engine.errorHandler = [&](auto&, Error& error) {
        failed = true;
        // The end of a run that Ctrl-C terminated is said once, below.
        if (!interrupts.came())
            printError(error);
    };
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
    // The module's evaluation, which a top-level await leaves pending.
    v8::Global<v8::Promise> evaluation;
    deadlineFrom(options, engine);
    engine.runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) {
        if (result && options.module && (*result)->IsPromise())
            evaluation.Reset(engine.getIsolate(), result->As<v8::Promise>());
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
    bool const settled = !failed && runTasks(loop, options, engine, failed);
    if (settled && unsettled(engine.getIsolate(), evaluation)) {
        std::fprintf(stderr, "Warning: Detected unsettled top-level await in %s\n",
                     options.file ? options.file->c_str() : "the script");
        engine.stopScript();
        return unsettledAwaitStatus;
    }
    if (settled && options.call) {
        deadlineFrom(options, engine);
        if (!qorjs::callFunction(engine, *options.call, options.callArguments, options.module))
            failed = true;
        else
            runTasks(loop, options, engine, failed);
    }
    if (!settled)
        failed = true;
    engine.stopScript();
    std::fflush(stdout);
    if (interrupts.came()) {
        std::fputs("qorjs: interrupted (Ctrl-C); the script was terminated\n", stderr);
        return interruptedStatus;
    }
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
