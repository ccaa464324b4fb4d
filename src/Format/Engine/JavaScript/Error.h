#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qor::format::engine::javascript {

// A script error as the host sees it. Copied by value.
class Error {
public:
    enum class Type : std::uint32_t {
        Exception = 0, // a script exception caught while running or linking
        Compile = 1,   // the text did not compile
        Message = 2,   // a message of the engine or the host, with no script exception behind it
    };

    Type type = Type::Message;
    std::string message;
    std::optional<std::string> resourceName;
    std::optional<std::int64_t> lineNumber;  // 1-based
    std::optional<std::int64_t> startColumn; // 1-based
    std::optional<std::int64_t> endColumn;   // 1-based, exclusive
    std::optional<std::string> sourceLine;
    std::optional<std::string> stackTrace;
};

} // namespace qor::format::engine::javascript
