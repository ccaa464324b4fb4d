#include "ScriptRun.h"

#include "HostCall.h"
#include "LogFormat.h"

#include "Format/Engine/JavaScript/Com/Engine/ScriptFile.h"

#include <cstdio>

namespace qor::tools::qorjs {

using format::engine::javascript::ComV8Engine;

std::expected<std::string, std::string> scriptText(Options const& options) {
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
    engine.runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>& context) {
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
    if (options.call && !session.failed() && !session.process().exitRequested() &&
        !callFunction(engine, *options.call, options.callArguments, options.module))
        session.markFailed();
    std::fflush(stdout);
}

} // namespace qor::tools::qorjs
