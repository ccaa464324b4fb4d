#pragma once

#include <cstdint>
#include <string_view>

namespace qor::assert {

// One failed invariant. The views refer to storage of the caller and are
// valid only during Assert::addAssert.
struct AssertInfo {
    std::uint32_t kind = 0;
    std::string_view message;
    std::string_view function;
    std::string_view file;
    std::uint32_t line = 0;
};

} // namespace qor::assert
