#include "StandardInput.h"

#include <cstdio>

namespace qor::tools::qorjs {

std::optional<std::string> readInputLine() {
    std::fflush(stdout);
    // A character at a time: a line has no length limit and may hold NUL
    // bytes, and POSIX's getline is not everywhere.
    std::string line;
    int c = std::getc(stdin);
    if (c == EOF) {
        std::clearerr(stdin);
        return std::nullopt;
    }
    for (; c != EOF && c != '\n'; c = std::getc(stdin))
        line.push_back(static_cast<char>(c));
    if (line.ends_with('\r'))
        line.pop_back();
    return line;
}

} // namespace qor::tools::qorjs
