#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <v8.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

namespace qor::tools::qorjs {

// The `console` qorjs gives its scripts, as Node's: log, info and debug on
// stdout, warn and error on stderr, each a line of formatLog's text; dir,
// table, time/timeLog/timeEnd, count/countReset, assert, trace and
// group/groupEnd. It keeps the timers, counters and group indentation of
// the session, and must outlive the context it is installed in.
class Console {
public:
    explicit Console(format::engine::javascript::ComV8Engine& engine) : engine_(engine) {}
    Console(Console const&) = delete;
    Console& operator=(Console const&) = delete;

    // Puts the console on the context's global object.
    void install(v8::Local<v8::Context> context);

private:
    using Info = v8::FunctionCallbackInfo<v8::Value>;
    template <void (Console::*method)(Info const&)>
    static void call(Info const& info);

    void log(Info const& info);
    void warn(Info const& info);
    void dir(Info const& info);
    void table(Info const& info);
    void time(Info const& info);
    void timeLog(Info const& info);
    void timeEnd(Info const& info);
    void count(Info const& info);
    void countReset(Info const& info);
    void assertion(Info const& info);
    void trace(Info const& info);
    void group(Info const& info);
    void groupEnd(Info const& info);

    // Writes formatLog's line of `info`'s arguments from `first` on.
    void logArguments(Info const& info, std::FILE* stream, int first = 0);
    // One line (or several) to `stream`, indented by the open groups.
    void write(std::FILE* stream, std::string text);
    std::string labelOf(Info const& info);
    // A line after the time a timer has run; false when it has no timer.
    bool writeTime(Info const& info, std::string const& label, char const* method);

    format::engine::javascript::ComV8Engine& engine_;
    std::map<std::string, std::chrono::steady_clock::time_point> timers_;
    std::map<std::string, std::uint64_t> counts_;
    std::string groupIndentation_;
};

} // namespace qor::tools::qorjs
