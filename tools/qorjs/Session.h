#pragma once

#include "Console.h"
#include "HostLibraries.h"
#include "Options.h"
#include "ProcessObject.h"

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qor::tools::qorjs {

// What a qorjs run is made of: the host libraries and the registry and type
// library they fill, the engine with the options' limits and extensions,
// and the console and process its scripts get. The script run and the
// interactive session share it.
class Session {
public:
    using Error = format::engine::javascript::Error;
    using ComV8Engine = format::engine::javascript::ComV8Engine;

    // The engine's own type library is found from the program's folder.
    explicit Session(std::filesystem::path const& programDirectory);
    Session(Session const&) = delete;
    Session& operator=(Session const&) = delete;

    // Loads the host libraries in order; on failure, what to say.
    std::expected<void, std::string> loadHostLibraries(std::vector<std::string> const& paths);
    ComV8Engine::ComClasses& classes() { return classes_; }
    ComV8Engine::TypeLibrary& typeLibrary() { return typeLibrary_; }

    // Makes the engine and its context, with console and process in place
    // before a script's first line. `argv` is what process.argv holds;
    // relative import names are found in `importDirectory`.
    void start(Options const& options, std::vector<std::string> argv, std::filesystem::path const& importDirectory);
    ComV8Engine& engine() { return *engine_; }
    // The context scripts run in; the caller has a handle scope open.
    v8::Local<v8::Context> context() { return context_.Get(engine_->getIsolate()); }
    ProcessObject& process() { return *process_; }
    Console& console() { return *console_; }

    // Where the errors the engine reports go; they print as a script run
    // prints them unless this is set. None is shown once the script has
    // asked to exit.
    void onError(std::function<void(Error const&)> show) { show_ = std::move(show); }
    // An error was shown.
    bool failed() const { return failed_; }
    void fail(Error const& error);
    // An error shown by other means, as a failed --call's.
    void markFailed() { failed_ = true; }

    // The status qorjs ends with: what process.exit asked for, else 1 after
    // an error, else process.exitCode.
    int status() const;

private:
    // Declared first, so that the libraries stay loaded until the registry
    // and type library they filled are gone.
    HostLibraries hostLibraries_;
    std::filesystem::path programDirectory_;
    ComV8Engine::ComClasses classes_;
    ComV8Engine::TypeLibrary typeLibrary_;
    std::unique_ptr<ComV8Engine> engine_;
    v8::Global<v8::Context> context_;
    std::unique_ptr<Console> console_;
    std::unique_ptr<ProcessObject> process_;
    std::function<void(Error const&)> show_;
    bool failed_ = false;
};

} // namespace qor::tools::qorjs
