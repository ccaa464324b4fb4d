#include "QuotedString.h"

#include "String/Utf.h"

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

// `text` escaped for a string quoted with `quote` (0: none): the units
// between escapes go out as UTF-8, a surrogate pair as its one character.
std::string escapedFor(std::u16string_view text, char quote) {
    std::string out;
    out.reserve(text.size());
    std::size_t shown = 0; // where the units shown as they are begin
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t const unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            ++i;
            continue;
        }
        std::string escape;
        if (char const* control = controlEscape(unit))
            escape = control;
        else if (unit == u'\\')
            escape = "\\\\";
        else if (quote == '\'' && unit == u'\'')
            escape = "\\'";
        else if (unit >= 0x7F && unit <= 0x9F)
            escape = fmt::format("\\x{:02X}", static_cast<unsigned>(unit));
        else if (isHighSurrogate(unit) || isLowSurrogate(unit))
            escape = fmt::format("\\u{:x}", static_cast<unsigned>(unit));
        else
            continue;
        out += qor::string::utf16ToUtf8(text.substr(shown, i - shown));
        out += escape;
        shown = i + 1;
    }
    out += qor::string::utf16ToUtf8(text.substr(shown));
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
