#include "Session.h"

#include "ErrorPrinter.h"
#include "ImportResolver.h"
#include "ListClasses.h"

#include <cstdio>

namespace qor::tools::qorjs {
namespace {

using format::engine::javascript::ComV8Engine;

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

void inspectWith(ComV8Engine& engine, Options const& options) {
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

} // namespace

Session::Session(std::filesystem::path const& programDirectory) : programDirectory_(programDirectory) {
    typeLibrary_.addPath(engineTypeLibrary(programDirectory));
}

std::expected<void, std::string> Session::loadHostLibraries(std::vector<std::string> const& paths) {
    for (std::string const& path : paths)
        if (auto loaded = hostLibraries_.load(path, classes_, typeLibrary_); !loaded)
            return loaded;
    return {};
}

void Session::start(Options const& options, std::vector<std::string> argv,
                    std::filesystem::path const& importDirectory) {
    // The snapshot file, when there is one, sits beside the program.
    engine_ = std::make_unique<ComV8Engine>(classes_, typeLibrary_, programDirectory_);
    console_ = std::make_unique<Console>(*engine_);
    process_ = std::make_unique<ProcessObject>(*engine_, std::move(argv));
    std::size_t const maxHeap = options.maxHeapMegabytes << 20;
    engine_->setHeapLimit(maxHeap);
    engine_->setArrayBufferLimit(maxHeap);
    engine_->setTimeLimit(options.timeLimit);
    engine_->errorHandler = [this](auto&, Error& error) { fail(error); };
    engine_->setOptions(engineOptions(options.comExtensions));
    engine_->setImportResolverCallback(makeImportResolver(importDirectory));
    // An empty first run creates the context, so that the console is in
    // place before the script's first line.
    engine_->setScript("", {});
    engine_->runScript([this](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) {
        context_.Reset(context->GetIsolate(), context);
        console_->install(context);
        process_->install(context);
    });
    if (options.inspectPort)
        inspectWith(*engine_, options);
}

void Session::fail(Error const& error) {
    if ((process_ && process_->exitRequested()) || ended())
        return;
    failed_ = true;
    if (show_)
        return show_(error);
    // As in Node, the first failure ends the script: no timer due in the
    // same round runs after it.
    if (engine_)
        engine_->stopPendingTasks();
    std::string const text = formatError(error);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

int Session::status() const {
    if (auto const requested = process_ ? process_->exitRequested() : std::nullopt)
        return *requested;
    if (ended())
        return ended_;
    if (failed_)
        return 1;
    return process_ ? process_->exitCode() : 0;
}

} // namespace qor::tools::qorjs
