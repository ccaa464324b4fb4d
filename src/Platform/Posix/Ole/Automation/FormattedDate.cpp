#include "Platform/Posix/Ole/Automation/FormattedDate.h"

#include <chrono>

#include "Platform/Posix/Ole/Automation/DateText.h"

namespace qor::platform::posix::ole::format {
namespace {

namespace chrono = std::chrono;

std::u16string number(int value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return {digits.begin(), digits.end()};
}

chrono::sys_days dayOf(int year, int month, int day) {
    return chrono::sys_days{chrono::year{year} / chrono::month(unsigned(month)) / chrono::day(unsigned(day))};
}

// Week 1 is the first that has at least `firstWeekDays` days of the year;
// the days before it belong to the last week of the year before.
int weekOfYear(int year, int day, int firstDay, int firstWeekDays) {
    int const newYear = static_cast<int>(chrono::weekday(dayOf(year, 1, 1)).c_encoding());
    int const before = (newYear - (firstDay - 1) + 7) % 7;
    int const start = 7 - before >= firstWeekDays ? -before : 7 - before;
    if (day < start) {
        int const lastYearDays = static_cast<int>((dayOf(year, 1, 1) - dayOf(year - 1, 1, 1)).count());
        return weekOfYear(year - 1, day + lastYearDays, firstDay, firstWeekDays);
    }
    return (day - start) / 7 + 1;
}

int firstWeekDays(int firstWeek, convert::Locale const& locale) {
    switch (firstWeek) {
    case 1:
        return 1;
    case 2:
        return 4;
    case 3:
        return 7;
    default:
        return locale.minimalDaysInFirstWeek;
    }
}

int hourOf(convert::DateFields const& date, SectionHeader const& section) {
    if (!section.has(section::kTwelveHour))
        return date.hour;
    return date.hour % 12 == 0 ? 12 : date.hour % 12;
}

std::u16string amPm(AmPmStyle style, bool morning, convert::Locale const& locale) {
    switch (style) {
    case AmPmStyle::Upper:
        return morning ? u"AM" : u"PM";
    case AmPmStyle::Lower:
        return morning ? u"am" : u"pm";
    case AmPmStyle::UpperLetter:
        return morning ? u"A" : u"P";
    case AmPmStyle::LowerLetter:
        return morning ? u"a" : u"p";
    default:
        return morning ? locale.am : locale.pm;
    }
}

class DateWriter {
public:
    DateWriter(SectionHeader const& section, DateInput const& input, convert::DateFields const& date)
        : section_(section), input_(input), date_(date) {}

    std::expected<std::u16string, HRESULT> write(TokenReader& tokens) {
        if (HRESULT hr = writeTokens(tokens, out_, [&](Token token) { return write(token, tokens); }); FAILED(hr))
            return std::unexpected(hr);
        return std::move(out_);
    }

private:
    HRESULT write(Token token, TokenReader& tokens) {
        if (token == Token::AmPm) {
            auto style = tokens.byte();
            if (!style || *style > static_cast<BYTE>(AmPmStyle::Locale))
                return E_INVALIDARG;
            out_ += amPm(static_cast<AmPmStyle>(*style), date_.hour < 12, input_.locale);
            return S_OK;
        }
        if (token == Token::GeneralDate) {
            auto text = convert::formatDate(input_.value, input_.locale, convert::DateParts::AsNeeded);
            if (!text)
                return text.error();
            out_ += *text;
            return S_OK;
        }
        std::optional<std::u16string> text = field(token);
        if (!text)
            return E_INVALIDARG;
        out_ += *text;
        return S_OK;
    }

    std::optional<std::u16string> field(Token token) const {
        convert::Locale const& locale = input_.locale;
        auto const month = static_cast<std::size_t>(date_.month - 1);
        auto const weekday = static_cast<std::size_t>(date_.weekday);
        switch (token) {
        case Token::DateSeparator:
            return std::u16string(1, locale.dateSeparator);
        case Token::TimeSeparator:
            return std::u16string(1, locale.timeSeparator);
        case Token::ShortDate:
            return convert::formatDatePattern(date_, locale.datePattern, locale);
        case Token::MediumDate:
            return convert::formatDatePattern(date_, locale.mediumDatePattern, locale);
        case Token::LongDate:
            return convert::formatDatePattern(date_, locale.longDatePattern, locale);
        case Token::LongTime:
            return convert::formatDatePattern(date_, locale.timePattern, locale);
        case Token::Day:
        case Token::Day2:
            return number(date_.day, token == Token::Day2 ? 2 : 1);
        case Token::DayAbbreviation:
            return locale.dayAbbreviation[weekday];
        case Token::DayName:
            return locale.dayName[weekday];
        case Token::Weekday:
            return number((date_.weekday - (input_.firstDay - 1) + 7) % 7 + 1, 1);
        case Token::WeekOfYear:
            return number(
                weekOfYear(date_.year, date_.dayOfYear - 1, input_.firstDay, firstWeekDays(input_.firstWeek, locale)), 1);
        case Token::Month:
        case Token::Month2:
            return number(date_.month, token == Token::Month2 ? 2 : 1);
        case Token::MonthAbbreviation:
            return locale.monthAbbreviation[month];
        case Token::MonthName:
            return locale.monthName[month];
        case Token::Quarter:
            return number((date_.month - 1) / 3 + 1, 1);
        case Token::DayOfYear:
            return number(date_.dayOfYear, 1);
        case Token::Year2:
            return number(date_.year % 100, 2);
        case Token::Year4:
            return number(date_.year, 1);
        case Token::Hour:
        case Token::Hour2:
            return number(hourOf(date_, section_), token == Token::Hour2 ? 2 : 1);
        case Token::Minute:
        case Token::Minute2:
            return number(date_.minute, token == Token::Minute2 ? 2 : 1);
        case Token::Second:
        case Token::Second2:
            return number(date_.second, token == Token::Second2 ? 2 : 1);
        default:
            return std::nullopt;
        }
    }

    SectionHeader const& section_;
    DateInput const& input_;
    convert::DateFields const& date_;
    std::u16string out_;
};

} // namespace

std::expected<std::u16string, HRESULT> formatDateSection(TokenReader& tokens, SectionHeader const& section,
                                                         DateInput const& input) {
    auto date = convert::dateFieldsOf(input.value);
    if (!date)
        return std::unexpected(E_INVALIDARG);
    return DateWriter(section, input, *date).write(tokens);
}

} // namespace qor::platform::posix::ole::format
