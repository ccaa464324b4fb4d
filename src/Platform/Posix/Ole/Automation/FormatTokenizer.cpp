#include "Platform/Posix/Ole/Automation/FormatTokenizer.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "Platform/Posix/Ole/Automation/FormatTokens.h"
#include "Platform/Posix/Ole/Automation/NumberForms.h"
#include "Platform/Posix/Ole/Automation/VarFormat.h"
#include "Platform/Posix/Ole/Core/AsciiCase.h"

namespace qor::platform::posix::ole::format {
namespace {

char16_t lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool isDigitPlaceholder(char16_t c) {
    return c == u'0' || c == u'#';
}

bool isExponent(std::u16string_view text, std::size_t at) {
    return (text[at] == u'E' || text[at] == u'e') && at + 1 < text.size() &&
           (text[at + 1] == u'+' || text[at + 1] == u'-');
}

// The characters a format writes as they are: a quoted text, or one
// character after a backslash. Returns where they end, or `at` for none.
std::size_t quotedEnd(std::u16string_view text, std::size_t at, std::u16string& literal) {
    if (text[at] == u'\\') {
        if (at + 1 < text.size())
            literal.push_back(text[at + 1]);
        return std::min(at + 2, text.size());
    }
    if (text[at] == u'"') {
        std::size_t end = text.find(u'"', at + 1);
        end = end == text.npos ? text.size() : end;
        literal.append(text.substr(at + 1, end - at - 1));
        return std::min(end + 1, text.size());
    }
    return at;
}

// The sections of a format, split at the semicolons that are no literals.
std::vector<std::u16string_view> sectionsOf(std::u16string_view format) {
    std::vector<std::u16string_view> sections;
    std::size_t start = 0;
    std::u16string ignored;
    for (std::size_t i = 0; i < format.size();) {
        if (std::size_t end = quotedEnd(format, i, ignored); end != i) {
            i = end;
        } else if (format[i] == u';') {
            sections.push_back(format.substr(start, i - start));
            start = ++i;
        } else {
            ++i;
        }
    }
    sections.push_back(format.substr(start));
    if (sections.size() > kSections)
        sections.resize(kSections);
    return sections;
}

// The length of the AM/PM token at `at` ("AM/PM", "A/P", "AMPM"), or 0.
std::size_t amPmLength(std::u16string_view text, std::size_t at, AmPmStyle& style) {
    std::u16string_view rest = text.substr(at);
    bool const upper = rest[0] == u'A';
    if (startsWithIgnoringCase(rest, u"am/pm")) {
        style = upper ? AmPmStyle::Upper : AmPmStyle::Lower;
        return 5;
    }
    if (startsWithIgnoringCase(rest, u"a/p")) {
        style = upper ? AmPmStyle::UpperLetter : AmPmStyle::LowerLetter;
        return 3;
    }
    if (startsWithIgnoringCase(rest, u"ampm")) {
        style = AmPmStyle::Locale;
        return 4;
    }
    return 0;
}

std::size_t runLength(std::u16string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && lower(text[end]) == lower(text[at]))
        ++end;
    return end - at;
}

// What the first character that only one kind of format has makes of all
// its sections.
FormatKind kindOf(std::vector<std::u16string_view> const& sections) {
    std::u16string ignored;
    for (std::u16string_view text : sections) {
        for (std::size_t i = 0; i < text.size();) {
            if (std::size_t end = quotedEnd(text, i, ignored); end != i) {
                i = end;
                continue;
            }
            char16_t const c = lower(text[i]);
            AmPmStyle style;
            if (isDigitPlaceholder(c) || c == u'.' || c == u'%' || isExponent(text, i))
                return FormatKind::Number;
            if (std::u16string_view(u"dmyhnswqc").find(c) != std::u16string_view::npos ||
                (c == u't' && runLength(text, i) >= 5) || (c == u'a' && amPmLength(text, i, style) != 0))
                return FormatKind::Date;
            if (std::u16string_view(u"@&<>!").find(c) != std::u16string_view::npos)
                return FormatKind::Text;
            ++i;
        }
    }
    return FormatKind::Literal;
}

// Writes the tokens of one section of a user format.
class SectionTokenizer {
public:
    SectionTokenizer(std::u16string_view text, TokenWriter& out) : text_(text), out_(out) {}

    void write(FormatKind kind) {
        std::size_t const headerAt = out_.size();
        out_.sectionHeader(header_);
        switch (kind) {
        case FormatKind::Number:
            number();
            break;
        case FormatKind::Date:
            date();
            break;
        case FormatKind::Text:
            text();
            break;
        default:
            literalsOnly();
            break;
        }
        flush();
        out_.token(Token::End);
        out_.sectionHeaderAt(headerAt, header_);
    }

private:
    bool takeQuoted(std::size_t& i) {
        std::size_t end = quotedEnd(text_, i, pending_);
        if (end == i)
            return false;
        i = end;
        return true;
    }

    void flush() {
        out_.literal(pending_);
        pending_.clear();
    }

    void emit(Token token) {
        flush();
        out_.token(token);
    }

    void literalsOnly() {
        for (std::size_t i = 0; i < text_.size();)
            if (!takeQuoted(i))
                pending_.push_back(text_[i++]);
    }

    // Whether a digit placeholder of the integer part follows `at`: a comma
    // between them groups digits, one after the last of them scales.
    bool integerPlaceholderFollows(std::size_t at) const {
        std::u16string ignored;
        for (std::size_t i = at; i < text_.size();) {
            if (std::size_t end = quotedEnd(text_, i, ignored); end != i) {
                i = end;
            } else if (isDigitPlaceholder(text_[i])) {
                return true;
            } else if (text_[i] == u'.' || isExponent(text_, i)) {
                return false;
            } else {
                ++i;
            }
        }
        return false;
    }

    void number() {
        std::optional<std::uint16_t> firstZero;
        std::optional<std::uint16_t> lastZero;
        bool afterPoint = false;
        bool scientific = false;
        for (std::size_t i = 0; i < text_.size();) {
            char16_t const c = text_[i];
            if (takeQuoted(i))
                continue;
            if (isDigitPlaceholder(c) && !scientific) {
                emit(c == u'0' ? Token::Digit : Token::OptionalDigit);
                std::uint16_t& places = afterPoint ? header_.fractionPlaces : header_.integerPlaces;
                if (c == u'0' && afterPoint)
                    lastZero = places;
                else if (c == u'0' && !firstZero)
                    firstZero = places;
                places = static_cast<std::uint16_t>(std::min(places + 1, 0xFFFF));
                ++i;
            } else if (c == u'.' && !afterPoint && !scientific) {
                emit(Token::DecimalPoint);
                afterPoint = true;
                ++i;
            } else if (c == u',' && !afterPoint && !scientific && header_.integerPlaces > 0) {
                std::size_t end = i;
                while (end < text_.size() && text_[end] == u',')
                    ++end;
                if (integerPlaceholderFollows(end))
                    header_.flags |= section::kThousands;
                else
                    header_.scale = static_cast<BYTE>(std::min<std::size_t>(header_.scale + end - i, 255));
                i = end;
            } else if (isExponent(text_, i) && !scientific) {
                i = exponent(i);
                scientific = true;
            } else {
                if (c == u'%')
                    header_.percent = static_cast<BYTE>(std::min(header_.percent + 1, 255));
                pending_.push_back(c);
                ++i;
            }
        }
        if (firstZero)
            header_.forcedIntegerPlaces = static_cast<std::uint16_t>(header_.integerPlaces - *firstZero);
        if (lastZero)
            header_.forcedFractionPlaces = static_cast<std::uint16_t>(*lastZero + 1);
    }

    // E+, E-, e+ or e-, and the digit placeholders right after it, whose
    // zeros are the least count of the exponent's digits.
    std::size_t exponent(std::size_t at) {
        bool const upper = text_[at] == u'E';
        bool const plus = text_[at + 1] == u'+';
        std::size_t end = at + 2;
        int zeros = 0;
        for (; end < text_.size() && isDigitPlaceholder(text_[end]); ++end)
            zeros += text_[end] == u'0';
        ExponentStyle const style = upper ? (plus ? ExponentStyle::UpperPlus : ExponentStyle::UpperMinus)
                                          : (plus ? ExponentStyle::LowerPlus : ExponentStyle::LowerMinus);
        emit(Token::Exponent);
        out_.byte(static_cast<BYTE>(style));
        out_.byte(static_cast<BYTE>(std::min(zeros, 255)));
        header_.flags |= section::kScientific;
        return end;
    }

    // Emits `count` letters' worth of a run, longest token first, from
    // tokens for 1, 2, ... letters (a Token::End where that length has none).
    void run(std::size_t count, std::initializer_list<Token> byLength, char16_t letter) {
        std::vector<Token> const tokens(byLength);
        while (count > 0) {
            std::size_t length = std::min(count, tokens.size());
            while (length > 1 && tokens[length - 1] == Token::End)
                --length;
            if (tokens[length - 1] == Token::End)
                pending_.push_back(letter);
            else
                emit(tokens[length - 1]);
            count -= length;
        }
    }

    void date() {
        bool afterHour = false;
        for (std::size_t i = 0; i < text_.size();) {
            if (takeQuoted(i))
                continue;
            char16_t const c = lower(text_[i]);
            std::size_t const count = runLength(text_, i);
            bool const hour = c == u'h';
            AmPmStyle style{};
            if (c == u':') {
                emit(Token::TimeSeparator);
                i += 1;
                continue;
            }
            if (c == u'/') {
                emit(Token::DateSeparator);
                i += 1;
                continue;
            }
            if (c == u'a' && amPmLength(text_, i, style) != 0) {
                i += amPmLength(text_, i, style);
                emit(Token::AmPm);
                out_.byte(static_cast<BYTE>(style));
                header_.flags |= section::kTwelveHour;
                continue;
            }
            switch (c) {
            case u'c':
                run(count, {Token::GeneralDate}, c);
                break;
            case u'd':
                run(count,
                    {Token::Day, Token::Day2, Token::DayAbbreviation, Token::DayName, Token::ShortDate,
                     Token::LongDate},
                    c);
                break;
            case u'w':
                run(count, {Token::Weekday, Token::WeekOfYear}, c);
                break;
            case u'm':
                // Minutes right after the hours, months anywhere else.
                if (afterHour && count <= 2)
                    run(count, {Token::Minute, Token::Minute2}, c);
                else
                    run(count, {Token::Month, Token::Month2, Token::MonthAbbreviation, Token::MonthName}, c);
                break;
            case u'n':
                run(count, {Token::Minute, Token::Minute2}, c);
                break;
            case u'q':
                run(count, {Token::Quarter}, c);
                break;
            case u'y':
                run(count, {Token::DayOfYear, Token::Year2, Token::End, Token::Year4}, c);
                break;
            case u'h':
                run(count, {Token::Hour, Token::Hour2}, c);
                break;
            case u's':
                run(count, {Token::Second, Token::Second2}, c);
                break;
            case u't':
                run(count, {Token::End, Token::End, Token::End, Token::End, Token::LongTime}, text_[i]);
                break;
            default:
                pending_.append(text_.substr(i, count));
                i += count;
                continue;
            }
            afterHour = hour;
            i += count;
        }
    }

    void text() {
        for (std::size_t i = 0; i < text_.size();) {
            if (takeQuoted(i))
                continue;
            char16_t const c = text_[i++];
            if (c == u'@' || c == u'&') {
                emit(c == u'@' ? Token::Character : Token::OptionalCharacter);
                header_.characterPlaces = static_cast<std::uint16_t>(std::min(header_.characterPlaces + 1, 0xFFFF));
            } else if ((c == u'<' || c == u'>') && !header_.has(section::kUpper | section::kLower)) {
                header_.flags |= c == u'>' ? section::kUpper : section::kLower;
            } else if (c == u'!') {
                header_.flags |= section::kLeftToRight;
            } else if (c != u'<' && c != u'>') {
                pending_.push_back(c);
            }
        }
    }

    std::u16string_view text_;
    TokenWriter& out_;
    SectionHeader header_;
    std::u16string pending_;
};

// A format of one section that is a single token.
void writeSingle(TokenWriter& out, Token token, std::optional<BYTE> operand = std::nullopt) {
    out.sectionHeader({});
    out.token(token);
    if (operand)
        out.byte(*operand);
    out.token(Token::End);
}

struct Named {
    std::u16string_view name;
    FormatKind kind;
    Token token; // Token::End for a user format made from the locale
    BYTE operand;
};

constexpr Named kNamed[] = {
    {u"General Number", FormatKind::Number, Token::GeneralNumber, 0},
    {u"Currency", FormatKind::Number, Token::End, 0},
    {u"Fixed", FormatKind::Number, Token::End, 0},
    {u"Standard", FormatKind::Number, Token::End, 0},
    {u"Percent", FormatKind::Number, Token::End, 0},
    {u"Scientific", FormatKind::Number, Token::End, 0},
    {u"True/False", FormatKind::Number, Token::BooleanWord, static_cast<BYTE>(BooleanWords::TrueFalse)},
    {u"Yes/No", FormatKind::Number, Token::BooleanWord, static_cast<BYTE>(BooleanWords::YesNo)},
    {u"On/Off", FormatKind::Number, Token::BooleanWord, static_cast<BYTE>(BooleanWords::OnOff)},
    {u"General Date", FormatKind::Date, Token::GeneralDate, 0},
    {u"Long Date", FormatKind::Date, Token::LongDate, 0},
    {u"Medium Date", FormatKind::Date, Token::MediumDate, 0},
    {u"Short Date", FormatKind::Date, Token::ShortDate, 0},
    {u"Long Time", FormatKind::Date, Token::LongTime, 0},
    {u"Medium Time", FormatKind::Date, Token::End, 0},
    {u"Short Time", FormatKind::Date, Token::End, 0},
};

// The user format that a named one stands for in the locale.
std::u16string userFormatOf(std::u16string_view name, convert::Locale const& locale) {
    std::u16string const fraction = u"." + std::u16string(static_cast<std::size_t>(locale.numberDigits), u'0');
    if (name == u"Currency")
        return numberFormat(NumberForm::Currency, defaultNumberOptions(NumberForm::Currency, locale), locale);
    if (name == u"Fixed")
        return u"0" + fraction;
    if (name == u"Standard")
        return u"#,##0" + fraction;
    if (name == u"Percent")
        return u"0" + fraction + u"%";
    if (name == u"Scientific")
        return u"0" + fraction + u"E+00";
    if (name == u"Medium Time")
        return locale.twelveHourClock ? u"hh:nn AMPM" : u"hh:nn";
    return u"hh:nn"; // Short Time: 24 hours
}

void writeSections(TokenWriter& out, FormatHeader& header, std::u16string_view format) {
    std::vector<std::u16string_view> const sections = sectionsOf(format);
    header.kind = kindOf(sections);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        // An empty section leaves its values to the first one.
        if (i > 0 && sections[i].empty())
            continue;
        header.sections[i] = static_cast<std::uint16_t>(std::min<std::size_t>(out.size(), 0xFFFF));
        SectionTokenizer(sections[i], out).write(header.kind);
    }
}

} // namespace

std::expected<std::size_t, HRESULT> tokenizeFormat(std::u16string_view format, TokenizeOptions const& options,
                                                   convert::Locale const& locale, std::span<BYTE> buffer) {
    TokenWriter out(buffer);
    FormatHeader header;
    header.firstDay = static_cast<BYTE>(options.firstDay);
    header.firstWeek = static_cast<BYTE>(options.firstWeek);
    out.formatHeader(header);
    auto named = std::ranges::find_if(kNamed, [&](Named const& n) { return equalsIgnoringAsciiCase(n.name, format); });
    if (format.empty()) {
        header.kind = FormatKind::General;
    } else if (named != std::end(kNamed) && named->token != Token::End) {
        header.kind = named->kind;
        header.sections[0] = static_cast<std::uint16_t>(out.size());
        bool const hasOperand = named->token == Token::BooleanWord;
        writeSingle(out, named->token, hasOperand ? std::optional(named->operand) : std::nullopt);
    } else if (named != std::end(kNamed)) {
        writeSections(out, header, userFormatOf(named->name, locale));
    } else {
        writeSections(out, header, format);
    }
    if (out.size() > 0xFFFF)
        return std::unexpected(E_INVALIDARG);
    // The header again, now that the sections and the size are known.
    TokenWriter(buffer).formatHeader(header);
    out.wordAt(4, static_cast<std::uint16_t>(out.size()));
    return out.size();
}

} // namespace qor::platform::posix::ole::format

using namespace qor::platform::posix::ole;

HRESULT VarTokenizeFormatString(LPOLESTR pstrFormat, LPBYTE rgbTok, int cbTok, int iFirstDay, int iFirstWeek, LCID lcid,
                                int* pcbActual) {
    if (rgbTok == nullptr || cbTok < 0 || iFirstDay < 0 || iFirstDay > 7 || iFirstWeek < 0 || iFirstWeek > 3)
        return E_INVALIDARG;
    std::u16string_view const format = pstrFormat != nullptr ? std::u16string_view(pstrFormat) : std::u16string_view();
    auto size = format::tokenizeFormat(format, {iFirstDay, iFirstWeek}, convert::localeOf(lcid),
                                       std::span(rgbTok, static_cast<std::size_t>(cbTok)));
    if (!size)
        return size.error();
    if (*size > static_cast<std::size_t>(cbTok))
        return DISP_E_BUFFERTOOSMALL;
    if (pcbActual != nullptr)
        *pcbActual = static_cast<int>(*size);
    return S_OK;
}
