#pragma once

#include <string_view>

namespace qor::platform::posix::ole {

// Windows compares identifiers such as resource names and ProgIDs without
// regard to the case of ASCII letters only.
inline bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace qor::platform::posix::ole
