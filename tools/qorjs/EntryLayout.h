#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qor::tools::qorjs {

// Where the entries of one object are laid out, as Node's util.inspect sees it.
struct LayoutContext {
    std::size_t breakLength = 80;    // the widest a line of entries grows
    int compact = 3;                 // how many innermost levels may share a line
    std::size_t maxArrayLength = 100; // elements shown before "... N more items"
    std::size_t indentation = 0;     // of the object's first line
    int currentDepth = 0;            // the innermost level formatted last
};

enum class EntryKind { properties, arrayElements };

// The opening text (with the class and size before it) and the closing one.
struct Braces {
    std::string open;
    std::string close;
};

// How wide text shows: its code points.
std::size_t displayWidth(std::string_view text);

// An object's entries as Node lays them out: beside its braces when few and
// short enough to fit the line, else one per line; more than six array
// elements go in aligned columns, right-aligned when all are numbers.
// `base` is what stands before the braces (a function's or error's text);
// `depth` the object's own level.
std::string layOut(std::vector<std::string> entries, std::string const& base, Braces const& braces, EntryKind kind,
                   bool numbers, LayoutContext const& context, int depth);

} // namespace qor::tools::qorjs
