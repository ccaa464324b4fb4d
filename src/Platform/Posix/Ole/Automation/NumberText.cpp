#include "Platform/Posix/Ole/Automation/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Core/AsciiCase.h"

namespace qor::platform::posix::ole::convert {
namespace {

// The white space C's isspace knows, and the no-break spaces people type.
bool isSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x00A0 || c == 0x202F;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

UInt128 powerOfFive(int exponent)
{
    UInt128 result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 5;
    return result;
}

bool isNoBreakSpace(char16_t c)
{
    return c == 0x00A0 || c == 0x202F;
}

// The value of a digit of the base, or none.
std::optional<unsigned> digitValue(char16_t c, unsigned base)
{
    unsigned value = isDigit(c) ? unsigned(c - u'0') : (c >= u'A' && c <= u'F') ? unsigned(c - u'A' + 10)
                                                      : (c >= u'a' && c <= u'f') ? unsigned(c - u'a' + 10)
                                                                                 : 99;
    return value < base ? std::optional(value) : std::nullopt;
}

// The separators as a number text uses them: only the first character of
// each counts, and an empty one stands for what Windows puts in its place.
struct Symbols {
    char16_t decimal;
    char16_t group; // 0: none
    char16_t monetaryDecimal;
    char16_t monetaryGroup;
    std::u16string_view currency;
    std::u16string_view minus;

    explicit Symbols(Locale const& locale)
        : decimal(first(locale.decimalSeparator, u'.')), group(first(locale.groupSeparator, 0)),
          monetaryDecimal(first(locale.monetaryDecimalSeparator, 0)),
          monetaryGroup(first(locale.monetaryGroupSeparator, u',')),
          currency(locale.currencySymbol.empty() ? std::u16string_view(u"$") : locale.currencySymbol),
          minus(locale.minusSign)
    {
    }

    // A no-break space as the separator stands for every space, since
    // people type a plain one; the decimal separator is never a group one.
    bool isGroup(char16_t c) const
    {
        if (group == 0 || group == decimal)
            return false;
        return c == group || (isNoBreakSpace(group) && (c == u' ' || isNoBreakSpace(c)));
    }

private:
    static char16_t first(std::u16string const& text, char16_t otherwise)
    {
        return text.empty() ? otherwise : text.front();
    }
};

// Walks a number text, taking what `allowed` lets it take and noting it.
class Parser {
public:
    Parser(std::u16string_view text, Locale const& locale, ULONG allowed)
        : text_(text), symbols_(locale), allowed_(allowed)
    {
    }

    std::optional<ParsedNumber> run(std::size_t maxDigits)
    {
        readLeading();
        std::optional<ParsedNumber> number = atRadix() ? readRadix() : readDecimal();
        if (!number)
            return std::nullopt;
        readTrailing(number->baseShift == 0);
        if (opened_ != closed_ || (allows(NUMPRS_USE_ALL) && at_ != text_.size()))
            return std::nullopt;
        if (number->digits.size() > maxDigits) {
            number->exponent += number->baseShift == 0 ? int(number->digits.size() - maxDigits) : 0;
            number->digits.resize(maxDigits);
            number->trailingZeros = 0;
            used_ |= NUMPRS_INEXACT;
        }
        number->flags = used_;
        number->charsUsed = static_cast<int>(at_);
        return number;
    }

private:
    bool allows(ULONG flag) const { return (allowed_ & flag) != 0; }
    bool atEnd() const { return at_ == text_.size(); }
    char16_t peek(std::size_t ahead = 0) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : 0; }

    bool take(std::u16string_view piece)
    {
        if (piece.empty() || !text_.substr(at_).starts_with(piece))
            return false;
        at_ += piece.size();
        return true;
    }
    bool takeMinus() { return take(u"-") || take(symbols_.minus); }

    // White space, a sign, an opening parenthesis and the currency symbol,
    // each but the space once.
    void readLeading()
    {
        for (;;) {
            if (allows(NUMPRS_LEADING_WHITE) && isSpace(peek())) {
                ++at_;
                used_ |= NUMPRS_LEADING_WHITE;
            } else if (allows(NUMPRS_LEADING_PLUS) && !signed_ && take(u"+")) {
                signed_ = true;
                used_ |= NUMPRS_LEADING_PLUS;
            } else if (allows(NUMPRS_LEADING_MINUS) && !signed_ && takeMinus()) {
                signed_ = true;
                used_ |= NUMPRS_LEADING_MINUS | NUMPRS_NEG;
            } else if (allows(NUMPRS_PARENS) && !opened_ && take(u"(")) {
                opened_ = true;
            } else if (allows(NUMPRS_CURRENCY) && !leadingCurrency_ && take(symbols_.currency)) {
                leadingCurrency_ = true;
                used_ |= NUMPRS_CURRENCY;
            } else {
                return;
            }
        }
    }

    // &H and &O numbers are integers, and no amounts of money.
    bool atRadix() const
    {
        char16_t kind = peek(1);
        return allows(NUMPRS_HEX_OCT) && !leadingCurrency_ && peek() == u'&' &&
               (kind == u'H' || kind == u'h' || kind == u'O' || kind == u'o');
    }

    std::optional<ParsedNumber> readRadix()
    {
        bool const hexadecimal = peek(1) == u'H' || peek(1) == u'h';
        unsigned const base = hexadecimal ? 16 : 8;
        std::size_t const start = at_;
        at_ += 2;
        ParsedNumber number;
        number.baseShift = hexadecimal ? 4 : 3;
        while (auto digit = digitValue(peek(), base)) {
            if (*digit != 0 || !number.digits.empty())
                number.digits.push_back("0123456789ABCDEF"[*digit]);
            ++at_;
        }
        if (at_ == start + 2) {
            at_ = start;
            return std::nullopt;
        }
        if (number.digits.empty())
            number.digits = "0";
        used_ |= NUMPRS_HEX_OCT;
        return number;
    }

    // Which of the decimal separators the current character is, if either:
    // the locale's, or the one of amounts of money, which marks the number
    // as one.
    bool takeDecimalSeparator()
    {
        if (!allows(NUMPRS_DECIMAL))
            return false;
        if (peek() == symbols_.decimal) {
            used_ |= NUMPRS_DECIMAL;
        } else if (symbols_.monetaryDecimal != 0 && peek() == symbols_.monetaryDecimal) {
            used_ |= NUMPRS_DECIMAL | NUMPRS_CURRENCY;
        } else {
            return false;
        }
        ++at_;
        return true;
    }

    // Group separators stand anywhere after the first digit of the integer
    // part, repeated or trailing; the money one only where money may be
    // written, and it marks the number as money.
    bool takeGroupSeparator()
    {
        if (!allows(NUMPRS_THOUSANDS))
            return false;
        if (symbols_.isGroup(peek())) {
            used_ |= NUMPRS_THOUSANDS;
        } else if (allows(NUMPRS_CURRENCY) && peek() == symbols_.monetaryGroup) {
            used_ |= NUMPRS_THOUSANDS | NUMPRS_CURRENCY;
        } else {
            return false;
        }
        ++at_;
        return true;
    }

    std::optional<ParsedNumber> readDecimal()
    {
        std::string digits;
        int fractional = 0;
        bool point = false;
        for (;;) {
            if (isDigit(peek())) {
                digits.push_back(static_cast<char>(peek()));
                fractional += point ? 1 : 0;
                ++at_;
                continue;
            }
            if (point)
                break;
            // Before any digit only a decimal separator may come; the
            // locale's hides a group separator written like it.
            if (digits.empty() || peek() == symbols_.decimal) {
                point = takeDecimalSeparator();
                if (!point)
                    break;
            } else if (!takeGroupSeparator()) {
                point = takeDecimalSeparator();
                if (!point)
                    break;
            }
        }
        if (digits.empty())
            return std::nullopt;
        int exponent = readExponent();
        return significant(digits, exponent - fractional);
    }

    int readExponent()
    {
        if (!allows(NUMPRS_EXPONENT) || (peek() != u'e' && peek() != u'E'))
            return 0;
        std::size_t ahead = 1;
        bool negative = peek(ahead) == u'-';
        if (negative || peek(ahead) == u'+')
            ++ahead;
        if (!isDigit(peek(ahead)))
            return 0;
        at_ += ahead;
        int exponent = 0;
        while (isDigit(peek())) {
            // Beyond this every number is out of any type's range anyway.
            exponent = std::min(exponent * 10 + (peek() - u'0'), 100000);
            ++at_;
        }
        used_ |= NUMPRS_EXPONENT;
        return negative ? -exponent : exponent;
    }

    // White space, a sign, the closing parenthesis and the currency symbol,
    // that as often as it is written. A space that may separate groups is
    // never taken for white space here.
    void readTrailing(bool mayBeMoney)
    {
        for (;;) {
            char16_t const c = peek();
            bool const separator = symbols_.isGroup(c) || (allows(NUMPRS_CURRENCY) && c == symbols_.monetaryGroup);
            if (allows(NUMPRS_TRAILING_WHITE) && isSpace(c) && !separator) {
                ++at_;
                used_ |= NUMPRS_TRAILING_WHITE;
            } else if (allows(NUMPRS_TRAILING_PLUS) && !signed_ && take(u"+")) {
                signed_ = true;
                used_ |= NUMPRS_TRAILING_PLUS;
            } else if (allows(NUMPRS_TRAILING_MINUS) && !signed_ && takeMinus()) {
                signed_ = true;
                used_ |= NUMPRS_TRAILING_MINUS | NUMPRS_NEG;
            } else if (mayBeMoney && takeGroupSeparator()) {
                // "1 234,5 €": the space before the symbol separates as
                // the locale writes amounts.
            } else if (opened_ && !closed_ && take(u")")) {
                closed_ = true;
                used_ |= NUMPRS_PARENS | NUMPRS_NEG;
            } else if (mayBeMoney && allows(NUMPRS_CURRENCY) && take(symbols_.currency)) {
                used_ |= NUMPRS_CURRENCY;
            } else {
                return;
            }
        }
    }

    // Leading zeros go, and trailing ones into the power of ten; zero keeps
    // one digit, and the power of its fraction.
    static ParsedNumber significant(std::string const& written, int exponent)
    {
        ParsedNumber number;
        std::size_t first = written.find_first_not_of('0');
        if (first == std::string::npos) {
            number.digits = "0";
            number.exponent = exponent;
            return number;
        }
        std::size_t last = written.find_last_not_of('0');
        number.digits = written.substr(first, last - first + 1);
        number.trailingZeros = static_cast<int>(written.size() - 1 - last);
        number.exponent = exponent + number.trailingZeros;
        return number;
    }

    std::u16string_view text_;
    Symbols symbols_;
    ULONG allowed_;
    ULONG used_ = 0;
    std::size_t at_ = 0;
    bool signed_ = false;
    bool opened_ = false;
    bool closed_ = false;
    bool leadingCurrency_ = false;
};

// Whether a double lies exactly halfway between two numbers of the given
// significant digits: Windows rounds it away from zero, to_chars to the even
// one. It does when its digits, one more than kept, end in 5 and are the
// whole of its value: that decimal is a double itself, and equals it.
bool isHalfway(double value, int significantDigits)
{
    char text[64];
    auto [end, ec] =
        std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific, significantDigits);
    std::string_view written(text, ec == std::errc{} ? static_cast<std::size_t>(end - text) : 0);
    std::size_t const e = written.find('e');
    if (e == std::string_view::npos || written[e - 1] != '5')
        return false;
    std::uint64_t mantissa = 0;
    for (char c : written.substr(0, e))
        if (c != '.')
            mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
    int exponent = 0;
    std::string_view power = written.substr(e + 1);
    if (power.front() == '+')
        power.remove_prefix(1);
    std::from_chars(power.data(), power.data() + power.size(), exponent);
    exponent -= significantDigits;
    // mantissa * 10^exponent is a double when its odd part has 53 bits or
    // fewer: a fraction needs the fives of 10^exponent in the mantissa.
    UInt128 odd = mantissa;
    if (exponent < 0) {
        if (exponent < -27)
            return false;
        UInt128 const fives = powerOfFive(-exponent);
        if (odd % fives != 0)
            return false;
        odd /= fives;
    } else {
        if (exponent > 22)
            return false;
        odd *= powerOfFive(exponent);
    }
    while (odd != 0 && odd % 2 == 0)
        odd /= 2;
    if (odd >> 53 != 0)
        return false;
    double decimal = 0;
    std::from_chars(written.data(), written.data() + written.size(), decimal);
    return decimal == std::fabs(value);
}

} // namespace

std::optional<ParsedNumber> parseNumber(std::u16string_view text, Locale const& locale, ULONG allowed,
                                        std::size_t maxDigits)
{
    return Parser(text, locale, allowed).run(maxDigits);
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
    if (std::signbit(value))
        number.flags |= NUMPRS_NEG;
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
    if (isHalfway(value, significantDigits))
        value = std::nextafter(value, std::copysign(HUGE_VAL, value));
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
            result += locale.decimalSeparator.empty() ? std::u16string_view(u".") : locale.decimalSeparator;
        else
            result.push_back(static_cast<char16_t>(c));
    }
    return result;
}

} // namespace qor::platform::posix::ole::convert
