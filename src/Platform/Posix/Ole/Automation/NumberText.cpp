#include "Platform/Posix/Ole/Automation/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "Platform/Posix/Ole/Core/AsciiCase.h"

namespace qor::platform::posix::ole::convert {
namespace {

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x00A0 || c == 0x202F;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

std::u16string_view trim(std::u16string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
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
    return ParsedNumber{std::to_string(value), 0, false, value};
}

// Walks a number text, taking the pieces the locale allows.
class Reader {
public:
    Reader(std::u16string_view text, Locale const& locale) : text_(text), locale_(locale) {}

    bool atEnd() const { return text_.empty(); }
    char16_t peek() const { return text_.front(); }
    void skip() { text_.remove_prefix(1); }

    bool take(std::u16string_view piece)
    {
        if (piece.empty() || !text_.starts_with(piece))
            return false;
        text_.remove_prefix(piece.size());
        return true;
    }
    bool takeSpaces()
    {
        bool any = false;
        while (!text_.empty() && isSpace(text_.front())) {
            text_.remove_prefix(1);
            any = true;
        }
        return any;
    }
    bool takeMinus() { return take(locale_.minusSign) || take(u"-"); }
    bool takeCurrency() { return take(locale_.currencySymbol); }
    bool takeDecimalSeparator() { return take(locale_.decimalSeparator); }
    // A group separator that is a space of some kind stands for all of them:
    // people type a plain space where the locale has a no-break one.
    bool takeGroupSeparator()
    {
        if (locale_.groupSeparator.size() == 1 && isSpace(locale_.groupSeparator.front()) && !text_.empty() &&
            isSpace(text_.front())) {
            text_.remove_prefix(1);
            return true;
        }
        return take(locale_.groupSeparator);
    }

private:
    std::u16string_view text_;
    Locale const& locale_;
};

enum class Side { BeforeDigits, AfterDigits };

// What surrounds the digits: a sign and the currency symbol, each once before
// or after them, and parentheses around them.
struct Decoration {
    bool sign = false;
    bool negative = false;
    bool currency = false;
    bool opened = false;
    bool closed = false;

    // Takes one piece, or nothing when what follows is none.
    bool take(Reader& in, Side side)
    {
        if (in.takeSpaces())
            return true;
        if (!currency && in.takeCurrency()) {
            currency = true;
        } else if (!sign && in.takeMinus()) {
            sign = negative = true;
        } else if (!sign && in.take(u"+")) {
            sign = true;
        } else if (side == Side::BeforeDigits && !opened && in.take(u"(")) {
            opened = true;
        } else if (side == Side::AfterDigits && opened && !closed && in.take(u")")) {
            closed = true;
        } else {
            return false;
        }
        return true;
    }
};

bool readDigits(Reader& in, ParsedNumber& number)
{
    bool anyDigit = false;
    bool afterPoint = false;
    while (!in.atEnd()) {
        if (isDigit(in.peek())) {
            anyDigit = true;
            number.digits.push_back(static_cast<char>(in.peek()));
            if (afterPoint)
                --number.exponent;
            in.skip();
        } else if (!afterPoint && in.takeDecimalSeparator()) {
            afterPoint = true;
        } else if (afterPoint || !anyDigit || !in.takeGroupSeparator()) {
            break;
        }
    }
    return anyDigit;
}

bool readExponent(Reader& in, ParsedNumber& number)
{
    if (in.atEnd() || (in.peek() != u'e' && in.peek() != u'E'))
        return true;
    in.skip();
    bool negative = in.take(u"-");
    if (!negative)
        in.take(u"+");
    if (in.atEnd() || !isDigit(in.peek()))
        return false;
    int exponent = 0;
    while (!in.atEnd() && isDigit(in.peek())) {
        exponent = std::min(exponent * 10 + (in.peek() - u'0'), 100000);
        in.skip();
    }
    number.exponent += negative ? -exponent : exponent;
    return true;
}

} // namespace

std::optional<ParsedNumber> parseNumber(std::u16string_view text, Locale const& locale)
{
    text = trim(text);
    if (!text.empty() && text.front() == u'&')
        return parseRadix(text);
    Reader in(text, locale);
    Decoration decoration;
    while (decoration.take(in, Side::BeforeDigits)) {
    }
    ParsedNumber number;
    if (!readDigits(in, number) || !readExponent(in, number))
        return std::nullopt;
    while (decoration.take(in, Side::AfterDigits)) {
    }
    if (!in.atEnd() || decoration.opened != decoration.closed)
        return std::nullopt;
    number.negative = decoration.negative || decoration.opened;
    return number;
}

std::optional<bool> parseBoolean(std::u16string_view text, Locale const& locale, BooleanWords words)
{
    if (text == u"#TRUE#")
        return true;
    if (text == u"#FALSE#")
        return false;
    if (equalsIgnoringAsciiCase(text, u"True"))
        return true;
    if (equalsIgnoringAsciiCase(text, u"False"))
        return false;
    if (words == BooleanWords::EnglishAndLocal) {
        if (equalsIgnoringCase(text, locale.trueWord))
            return true;
        if (equalsIgnoringCase(text, locale.falseWord))
            return false;
    }
    return std::nullopt;
}

ParsedNumber significantDigits(double value, int count)
{
    ParsedNumber number;
    number.negative = std::signbit(value);
    if (value == 0)
        return number;
    // d.ddde[+-]x
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific,
                                   std::clamp(count, 1, 17) - 1);
    std::string_view all(text, ec == std::errc{} ? static_cast<std::size_t>(end - text) : 0);
    std::size_t e = all.find('e');
    if (e == all.npos)
        return number;
    for (char c : all.substr(0, e))
        if (c != '.')
            number.digits.push_back(c);
    std::string_view exponent = all.substr(e + 1);
    if (exponent.front() == '+')
        exponent.remove_prefix(1);
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), number.exponent);
    number.exponent -= static_cast<int>(number.digits.size()) - 1;
    while (number.digits.size() > 1 && number.digits.back() == '0') {
        number.digits.pop_back();
        ++number.exponent;
    }
    return number;
}

std::string formatReal(double value, int significantDigits)
{
    if (value == 0)
        return "0"; // also for negative zero
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, significantDigits);
    std::string result(text, ec == std::errc{} ? end : text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::u16string localNumber(std::string_view invariant, Locale const& locale)
{
    std::u16string result;
    for (char c : invariant) {
        if (c == '.')
            result += locale.decimalSeparator;
        else
            result.push_back(static_cast<char16_t>(c));
    }
    return result;
}

} // namespace qor::platform::posix::ole::convert
