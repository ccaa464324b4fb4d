#include "EntryLayout.h"

#include <algorithm>
#include <cmath>

namespace qor::tools::qorjs {
namespace {

constexpr std::size_t separatorSpace = 2; // ", " between two entries

std::string joined(std::vector<std::string> const& entries, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out += separator;
        out += entries[i];
    }
    return out;
}

// Whether the entries, with `start` taken already, fit the line.
bool fitsTheLine(std::vector<std::string> const& entries, std::size_t start, std::string const& base,
                 std::size_t breakLength) {
    std::size_t total = entries.size() + start;
    if (total + entries.size() > breakLength)
        return false;
    for (std::string const& entry : entries) {
        total += displayWidth(entry);
        if (total > breakLength)
            return false;
    }
    return base.find('\n') == std::string::npos;
}

std::string padded(std::string const& text, std::size_t width, bool atStart) {
    std::size_t const shown = displayWidth(text);
    if (shown >= width)
        return text;
    std::string const fill(width - shown, ' ');
    return atStart ? fill + text : text + fill;
}

// Array elements in rows of aligned columns, about as many rows as columns
// (a character being some 2.5 times as high as wide), when at least three
// fit side by side and no one is far wider than the rest.
std::vector<std::string> inColumns(std::vector<std::string> const& entries, bool numbers,
                                   LayoutContext const& context) {
    std::size_t count = entries.size();
    // "... N more items" keeps a line of its own.
    if (context.maxArrayLength < entries.size())
        --count;
    std::vector<std::size_t> widths(count);
    std::size_t total = 0;
    std::size_t widest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        widths[i] = displayWidth(entries[i]);
        total += widths[i] + separatorSpace;
        widest = std::max(widest, widths[i]);
    }
    double const actualMax = double(widest + separatorSpace);
    if (!(actualMax * 3 + double(context.indentation) < double(context.breakLength) &&
          (double(total) / actualMax > 5 || widest <= 6)))
        return entries;
    double const averageBias = std::sqrt(actualMax - double(total) / double(entries.size()));
    double const biasedMax = std::max(actualMax - 3 - averageBias, 1.0);
    double const columnsWanted = std::min({std::round(std::sqrt(2.5 * biasedMax * double(count)) / biasedMax),
                                           std::floor(double(context.breakLength - context.indentation) / actualMax),
                                           double(context.compact) * 4, 15.0});
    auto const columns = static_cast<std::size_t>(columnsWanted);
    if (columns <= 1)
        return entries;
    std::vector<std::size_t> columnWidths;
    for (std::size_t column = 0; column < columns; ++column) {
        std::size_t width = 0;
        for (std::size_t j = column; j < count; j += columns)
            width = std::max(width, widths[j]);
        columnWidths.push_back(width + separatorSpace);
    }
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < count; i += columns) {
        std::size_t const end = std::min(i + columns, count);
        std::string row;
        std::size_t j = i;
        for (; j + 1 < end; ++j)
            row += padded(entries[j] + ", ", columnWidths[j - i], numbers);
        row += numbers ? padded(entries[j], columnWidths[j - i] - separatorSpace, true) : entries[j];
        rows.push_back(std::move(row));
    }
    if (count < entries.size())
        rows.push_back(entries.back());
    return rows;
}

} // namespace

std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++width;
    return width;
}

std::string layOut(std::vector<std::string> entries, std::string const& base, Braces const& braces, EntryKind kind,
                   bool numbers, LayoutContext const& context, int depth) {
    std::size_t const count = entries.size();
    if (kind == EntryKind::arrayElements && count > 6)
        entries = inColumns(entries, numbers, context);
    std::string const lead = base.empty() ? std::string() : base + " ";
    // The innermost levels share a line when they fit it; grouped elements
    // never do.
    if (context.currentDepth - depth < context.compact && count == entries.size()) {
        std::size_t const start = entries.size() + context.indentation + displayWidth(braces.open) +
                                  displayWidth(base) + 10;
        if (fitsTheLine(entries, start, base, context.breakLength)) {
            std::string const line = joined(entries, ", ");
            if (line.find('\n') == std::string::npos)
                return lead + braces.open + " " + line + " " + braces.close;
        }
    }
    std::string const indentation = "\n" + std::string(context.indentation, ' ');
    return lead + braces.open + indentation + "  " + joined(entries, "," + indentation + "  ") + indentation +
           braces.close;
}

} // namespace qor::tools::qorjs
