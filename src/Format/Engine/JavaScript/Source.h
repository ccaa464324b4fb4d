#pragma once

#include <string>
#include <string_view>

namespace qor::format::engine::javascript {

// A script text to compile, with the name it is known by.
struct Source {
    std::string_view code;    // UTF-8; must outlive the compile call
    std::string resourceName; // UTF-8, may be empty
    bool module = false;
};

} // namespace qor::format::engine::javascript
