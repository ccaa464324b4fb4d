#include "ErrorPrinter.h"

#include <fmt/format.h>

namespace qor::tools::qorjs {

std::string formatError(format::engine::javascript::Error const& error) {
    std::string text;
    if (error.resourceName && !error.resourceName->empty())
        text += *error.resourceName + ":";
    if (error.lineNumber) {
        text += fmt::format("{}:", *error.lineNumber);
        if (error.startColumn)
            text += fmt::format("{}:", *error.startColumn);
    }
    if (!text.empty())
        text += ' ';
    text += error.message + "\n";
    if (error.sourceLine && !error.sourceLine->empty()) {
        text += *error.sourceLine + "\n";
        if (error.startColumn && *error.startColumn >= 1) {
            auto const start = static_cast<std::size_t>(*error.startColumn - 1);
            auto const width = error.endColumn && *error.endColumn > *error.startColumn
                                   ? static_cast<std::size_t>(*error.endColumn - *error.startColumn)
                                   : 1;
            text += std::string(start, ' ') + std::string(width, '^') + "\n";
        }
    }
    if (error.stackTrace) {
        // V8's trace repeats the message on its first line; keep the frames.
        auto const frames = error.stackTrace->find("\n    at ");
        if (frames != std::string::npos)
            text += error.stackTrace->substr(frames + 1) + "\n";
    }
    return text;
}

} // namespace qor::tools::qorjs
