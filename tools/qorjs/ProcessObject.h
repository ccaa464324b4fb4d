#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <v8.h>

#include <optional>
#include <string>
#include <vector>

namespace qor::tools::qorjs {

// The global `process` qorjs gives its scripts, in the shape Node's has:
// process.argv (the program, the script's path and its arguments),
// process.env, process.exit([code]) and process.exitCode, and, for
// interactive scripts, process.stdin.readLine() with process.stdout.write()
// and process.stderr.write(). It keeps the exit status the script asked for
// and must outlive the context it is installed in.
class ProcessObject {
public:
    ProcessObject(format::engine::javascript::ComV8Engine& engine, std::vector<std::string> argv)
        : engine_(engine), argv_(std::move(argv)) {}
    ProcessObject(ProcessObject const&) = delete;
    ProcessObject& operator=(ProcessObject const&) = delete;

    // Puts `process` on the context's global object.
    void install(v8::Local<v8::Context> context);

    // The status process.exit asked for; the run it was called in has been
    // terminated, and nothing more is to run.
    std::optional<int> exitRequested() const { return exit_; }
    // The status to end with when nothing else decides: process.exitCode.
    int exitCode() const;

private:
    using Info = v8::FunctionCallbackInfo<v8::Value>;
    static ProcessObject& of(Info const& info);
    static ProcessObject& of(v8::PropertyCallbackInfo<v8::Value> const& info);
    static ProcessObject& of(v8::PropertyCallbackInfo<void> const& info);
    static void exit(Info const& info);
    static void getExitCode(v8::Local<v8::Name>, v8::PropertyCallbackInfo<v8::Value> const& info);
    static void setExitCode(v8::Local<v8::Name>, v8::Local<v8::Value> value, v8::PropertyCallbackInfo<void> const& info);
    static void readLine(Info const& info);
    static void writeOut(Info const& info);
    static void writeErr(Info const& info);

    format::engine::javascript::ComV8Engine& engine_;
    std::vector<std::string> argv_;
    // An empty script function: calling it after asking for the end makes
    // V8 end the script at once, not at its next check.
    v8::Global<v8::Function> checkpoint_;
    std::optional<int> exit_;
    std::optional<long long> exitCode_;
};

} // namespace qor::tools::qorjs
