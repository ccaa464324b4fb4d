#include "QuotedString.h"

#include <fmt/format.h>

#include <array>

namespace qor::tools::qorjs {
namespace {

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The escape of a control character, or null for one shown as it is.
char const* controlEscape(char16_t unit) {
    static constexpr std::array<char const*, 32> low{
        "\\x00", "\\x01", "\\x02", "\\x03", "\\x04", "\\x05", "\\x06", "\\x07", "\\b",   "\\t",   "\\n",
        "\\x0B", "\\f",   "\\r",   "\\x0E", "\\x0F", "\\x10", "\\x11", "\\x12", "\\x13", "\\x14", "\\x15",
        "\\x16", "\\x17", "\\x18", "\\x19", "\\x1A", "\\x1B", "\\x1C", "\\x1D", "\\x1E", "\\x1F"};
    if (unit < 0x20)
        return low[unit];
    return nullptr;
}

void appendCodePoint(std::string& out, char32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

// `text` escaped for a string quoted with `quote` (0: none).
std::string escapedFor(std::u16string_view text, char quote) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t const unit = text[i];
        if (char const* escape = controlEscape(unit)) {
            out += escape;
        } else if (unit == u'\\') {
            out += "\\\\";
        } else if (quote == '\'' && unit == u'\'') {
            out += "\\'";
        } else if (unit >= 0x7F && unit <= 0x9F) {
            out += fmt::format("\\x{:02X}", static_cast<unsigned>(unit));
        } else if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendCodePoint(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            out += fmt::format("\\u{:x}", static_cast<unsigned>(unit));
        } else {
            appendCodePoint(out, unit);
        }
    }
    return out;
}

} // namespace

std::string quotedString(std::u16string_view text) {
    char quote = '\'';
    // A single quote is escaped only when both other quotes appear too.
    if (text.find(u'\'') != std::u16string_view::npos) {
        if (text.find(u'"') == std::u16string_view::npos)
            quote = '"';
        else if (text.find(u'`') == std::u16string_view::npos && text.find(u"${") == std::u16string_view::npos)
            quote = '`';
    }
    return quote + escapedFor(text, quote) + quote;
}

std::string escaped(std::u16string_view text) {
    return escapedFor(text, 0);
}

bool isPlainKey(std::string_view key) {
    auto const letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (key.empty() || !letter(key.front()))
        return false;
    for (char c : key)
        if (!letter(c) && !(c >= '0' && c <= '9'))
            return false;
    return true;
}

} // namespace qor::tools::qorjs
