#include "ScriptRun.h"

#include "EventLoop.h"
#include "HostCall.h"
#include "Interrupts.h"
#include "LogFormat.h"

#include "Format/Engine/JavaScript/Com/Engine/ScriptFile.h"
#include "Format/Engine/JavaScript/Limits/TimeLimitMessage.h"


#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>

namespace qor::tools::qorjs {

using format::engine::javascript::ComV8Engine;
using Clock = EventLoop::Clock;

namespace {

// The status qorjs ends with on Ctrl-C, as a shell gives a program SIGINT ended.
constexpr int interruptedStatus = 130;
// Node's status for a top-level await that nothing is left to settle.
constexpr int unsettledAwaitStatus = 13;

// When what starts now must be over: --timeout bounds a run with its tasks
// and the waits between them, every run ending by then.
std::optional<Clock::time_point> deadlineFrom(Options const& options, ComV8Engine& engine) {
    if (!options.timeLimit)
        return std::nullopt;
    Clock::time_point const at = Clock::now() + *options.timeLimit;
    engine.setRunDeadline(at);
    return at;
}

// Runs the tasks what ran left until none is pending; false when one failed,
// the script asked to exit, or time ran out.
bool runTasks(EventLoop& loop, Session& session, Options const& options) {
    auto const end = loop.run(deadlineFrom(options, session.engine()), [&] {
        return session.failed() || session.ended() || session.process().exitRequested();
    });
    if (end == EventLoop::End::deadline) {
        std::fprintf(stderr, "%s\n", format::engine::javascript::timeLimitMessage(*options.timeLimit).c_str());
        session.markFailed();
    }
    return end == EventLoop::End::idle;
}

// A module still awaiting at top level once nothing is left to settle it.
bool unsettled(v8::Isolate* isolate, v8::Global<v8::Promise> const& evaluation) {
    if (evaluation.IsEmpty())
        return false;
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    return evaluation.Get(isolate)->State() == v8::Promise::kPending;
}

} // namespace

std::expected<std::string, std::string> scriptText(Options const& options) {
    if (options.standardInput) {
        auto content = format::engine::javascript::readScriptStream(std::cin);
        if (!content)
            return std::unexpected(std::string("standard input ") + describe(content.error()));
        return std::move(*content);
    }
    if (!options.file)
        return options.code.value_or(std::string());
    auto content = format::engine::javascript::readScriptFile(*options.file);
    if (!content)
        return std::unexpected(*options.file + " " + describe(content.error()));
    return std::move(*content);
}

void runScript(Session& session, Options const& options, std::string const& text) {
    ComV8Engine& engine = session.engine();
    ComV8Engine::ScriptSettings settings;
    settings.isModule = options.module;
    if (options.file)
        settings.path = std::filesystem::path(*options.file);
    engine.setScript(text, settings);
    EventLoop loop(engine);
    // Ctrl-C ends whatever runs or waits; qorjs says so once, at its end.
    Interrupts interrupts([&] {
        session.end(interruptedStatus);
        engine.terminateScript();
        loop.stop();
    });
    // The module's evaluation, which a top-level await leaves pending.
    v8::Global<v8::Promise> evaluation;
    deadlineFrom(options, engine);
    engine.runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>& context) {
        if (result && options.module && (*result)->IsPromise())
            evaluation.Reset(engine.getIsolate(), result->As<v8::Promise>());
        if (!result) {
            // As with runScript(): an error recorded during the run, such as a
            // missing import, is the one reported, and the stop reports it.
            if (!engine.hasPendingError())
                session.fail(result.error());
        } else if (!options.quiet && !options.module && !options.call && !(*result)->IsUndefined()) {
            v8::Local<v8::Value> const values[] = {*result};
            if (auto line = formatLog(engine, context, values)) {
                *line += '\n';
                std::fwrite(line->data(), 1, line->size(), stdout);
            }
        }
    });
    bool const settled = !session.failed() && !session.ended() && runTasks(loop, session, options);
    if (settled && unsettled(engine.getIsolate(), evaluation)) {
        std::fprintf(stderr, "Warning: Detected unsettled top-level await in %s\n",
                     options.file ? options.file->c_str() : "the script");
        session.end(unsettledAwaitStatus);
    }
    if (options.call && settled && !session.ended() && !session.process().exitRequested()) {
        deadlineFrom(options, engine);
        if (callFunction(engine, *options.call, options.callArguments, options.module))
            runTasks(loop, session, options);
        else
            session.markFailed();
    }
    engine.setRunDeadline(std::nullopt);
    if (interrupts.taken())
        std::fputs("qorjs: interrupted (Ctrl-C); the script was terminated\n", stderr);
    std::fflush(stdout);
}

} // namespace qor::tools::qorjs
