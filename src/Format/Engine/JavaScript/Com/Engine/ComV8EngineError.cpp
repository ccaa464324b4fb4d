// The single pending error: recording, replacing and reporting it.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"

#include "Format/Engine/JavaScript/V8Error.h"

namespace qor::format::engine::javascript {

void ComV8Engine::Impl::setErrorMessage(std::string_view message, bool keepExisting) {
    // With a debugger attached, the message pauses the script there instead.
    // Without a client nothing would show it, so it is recorded as usual
    // rather than lost.
    if (debugger && debugger->attached() && !stopping) {
        debugger->breakProgram("error", message);
        return;
    }
    bool const record = !keepExisting || (face.runMode != ComV8Engine::normalRun && !pendingError);
    if (!record)
        return;
    // Script location details only make sense while COM is calling a script.
    v8::Isolate* where = (!stopping && callDepth != 0) ? isolate : nullptr;
    pendingError = std::make_unique<Error>(V8Error::get(Error::Type::Message, where, message));
}

void ComV8Engine::Impl::recordError(Error error) {
    if (!pendingError)
        pendingError = std::make_unique<Error>(std::move(error));
}

void ComV8Engine::Impl::handOverPendingError() {
    // Taken out first: the handler may call back into the engine and record
    // or replace errors while it looks at this one.
    std::unique_ptr<Error> error = std::move(pendingError);
    if (error && face.errorHandler)
        face.errorHandler(face, *error);
}

} // namespace qor::format::engine::javascript
