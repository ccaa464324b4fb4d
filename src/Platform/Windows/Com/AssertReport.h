#pragma once

#include "Assert/Assert.h"

#include <cstdint>
#include <string_view>

namespace qor::platform::windows::com {

// Reports a failed invariant when the assertion facility listens; execution
// always goes on.
inline void reportAssert(std::string_view message, std::string_view function, std::string_view file,
                         std::uint32_t line) {
    if (!assert::Assert::isEnabled())
        return;
    assert::AssertInfo info;
    info.message = message;
    info.function = function;
    info.file = file;
    info.line = line;
    assert::Assert::addAssert(info);
}

} // namespace qor::platform::windows::com
