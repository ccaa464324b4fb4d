#include "Platform/Posix/Ole/NumberText.h"

#include <charconv>
#include <cmath>

#include "Platform/Posix/Ole/AsciiCase.h"

namespace qor::platform::posix::ole::convert {
namespace {

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x00A0;
}

std::u16string_view trim(std::u16string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// &Hxxxx or &Oxxxx: a non-negative integer in base 16 or 8.
std::optional<ParsedNumber> parseRadix(std::u16string_view text)
{
    if (text.size() < 3)
        return std::nullopt;
    char16_t kind = text[1];
    unsigned base = (kind == u'H' || kind == u'h') ? 16 : (kind == u'O' || kind == u'o') ? 8 : 0;
    if (base == 0)
        return std::nullopt;
    unsigned long long value = 0;
    for (char16_t c : text.substr(2)) {
        unsigned digit = isDigit(c) ? c - u'0' : (c >= u'A' && c <= u'F') ? c - u'A' + 10
                                                 : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : 99;
        if (digit >= base || value > (~0ull >> 4))
            return std::nullopt;
        value = value * base + digit;
    }
    return ParsedNumber{std::to_string(value), 0, false};
}

} // namespace

std::optional<ParsedNumber> parseNumber(std::u16string_view text)
{
    text = trim(text);
    if (!text.empty() && text.front() == u'&')
        return parseRadix(text);
    ParsedNumber number;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        number.negative = text[i++] == u'-';
    bool anyDigit = false;
    bool afterPoint = false;
    for (; i < text.size(); ++i) {
        char16_t c = text[i];
        if (isDigit(c)) {
            anyDigit = true;
            number.digits.push_back(static_cast<char>(c));
            if (afterPoint)
                --number.exponent;
        } else if (c == u',' && !afterPoint && anyDigit) {
            continue;
        } else if (c == u'.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
            negativeExponent = text[i++] == u'-';
        if (i == text.size())
            return std::nullopt;
        int exponent = 0;
        for (; i < text.size() && isDigit(text[i]); ++i)
            exponent = std::min(exponent * 10 + (text[i] - u'0'), 100000);
        number.exponent += negativeExponent ? -exponent : exponent;
    }
    if (i != text.size())
        return std::nullopt;
    return number;
}

std::optional<bool> parseBoolWord(std::u16string_view text)
{
    text = trim(text);
    if (equalsIgnoringAsciiCase(text, u"true"))
        return true;
    if (equalsIgnoringAsciiCase(text, u"false"))
        return false;
    return std::nullopt;
}

std::string formatReal(double value, int significantDigits)
{
    if (value == 0)
        return "0"; // also for negative zero
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, significantDigits);
    std::string result(text, ec == std::errc{} ? end : text);
    for (char& c : result)
        if (c == 'e')
            c = 'E';
    return result;
}

} // namespace qor::platform::posix::ole::convert
