// Limits and termination: what ends a run besides the script itself.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Limits/TimeLimitMessage.h"

#include "Format/Engine/JavaScript/V8Error.h"

#include <fmt/format.h>

namespace qor::format::engine::javascript {

void ComV8Engine::Impl::terminateScript() { termination.terminate(ScriptTermination::Reason::host); }

void ComV8Engine::Impl::setTimeLimit(std::optional<std::chrono::milliseconds> limit) { timeLimit.set(limit); }

bool ComV8Engine::Impl::setHeapLimit(std::size_t bytes) {
    if (isolate != nullptr)
        return false;
    heapLimit.set(bytes);
    return true;
}

void ComV8Engine::Impl::setArrayBufferLimit(std::optional<std::size_t> bytes) {
    arrayBuffers->setBound(bytes.value_or(BoundedArrayBufferAllocator::unbounded));
}

std::optional<std::string> ComV8Engine::Impl::stopMessage() const {
    auto const why = termination.reason();
    if (!why)
        return std::nullopt;
    switch (*why) {
    case ScriptTermination::Reason::host:
        return "Script terminated by the host";
    case ScriptTermination::Reason::timeLimit:
        return timeLimitMessage(timeLimit.get().value_or(std::chrono::milliseconds(0)));
    case ScriptTermination::Reason::heapLimit:
        return fmt::format("Script terminated: its heap reached the limit of {:g} MB",
                           static_cast<double>(heapLimit.get().value_or(0)) / (1024.0 * 1024.0));
    }
    return std::nullopt;
}

void ComV8Engine::Impl::describeTermination(Error& error) const {
    if (auto message = stopMessage())
        error.message = std::move(*message);
}

std::optional<Error> ComV8Engine::Impl::stopError() const {
    auto message = stopMessage();
    if (!message)
        return std::nullopt;
    return V8Error::get(Error::Type::Message, nullptr, *message);
}

} // namespace qor::format::engine::javascript
