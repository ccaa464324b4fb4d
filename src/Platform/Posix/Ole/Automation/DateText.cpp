#include "Platform/Posix/Ole/Automation/DateText.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <ctime>
#include <optional>
#include <utility>
#include <vector>

#include <unicode/uchar.h>

#include "Platform/Posix/Ole/Automation/OleDate.h"

namespace qor::platform::posix::ole::convert {
namespace {

int currentYear()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

// ---- Writing ----------------------------------------------------------------

std::u16string number(int value, int width)
{
    std::u16string text;
    for (std::string digits = std::to_string(value); char c : digits)
        text.push_back(static_cast<char16_t>(c));
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), u'0');
    return text;
}

std::u16string name(std::vector<std::u16string> const& forms, std::size_t index)
{
    return index < forms.size() ? forms[index] : std::u16string();
}

// One field of an ICU pattern: `letter` repeated `count` times.
std::u16string field(char16_t letter, int count, DateAndTime const& when, Locale const& locale)
{
    auto const& [date, time, weekday, dayOfYear] = when;
    std::vector<std::u16string> const& months = locale.monthNames[static_cast<std::size_t>(date.month - 1)];
    switch (letter) {
    case u'y':
    case u'Y':
    case u'u':
        return number(date.year, 1);
    case u'M':
    case u'L':
        return count >= 4 ? name(months, 0) : count == 3 ? name(months, 1) : number(date.month, count);
    case u'd':
        return number(date.day, count);
    case u'E':
    case u'c':
    case u'e':
        return name(locale.dayNames, static_cast<std::size_t>(count >= 4 ? weekday : weekday + 7));
    case u'H':
        return number(time.hour, count);
    case u'k':
        return number(time.hour == 0 ? 24 : time.hour, count);
    case u'h':
        return number(time.hour % 12 == 0 ? 12 : time.hour % 12, count);
    case u'K':
        return number(time.hour % 12, count);
    case u'm':
        return number(time.minute, count);
    case u's':
        return number(time.second, count);
    case u'a':
    case u'b':
    case u'B':
        return time.hour < 12 ? locale.am : locale.pm;
    default:
        // Eras, zones and fractions of seconds have no place in an OLE date.
        return {};
    }
}

std::u16string render(std::u16string_view pattern, DateAndTime const& when, Locale const& locale)
{
    std::u16string text;
    for (std::size_t i = 0; i < pattern.size();) {
        char16_t c = pattern[i];
        if (c == u'\'') {
            // A quoted literal; '' is a quote.
            std::size_t end = pattern.find(u'\'', i + 1);
            if (end == i + 1)
                text.push_back(u'\'');
            else
                text += pattern.substr(i + 1, end == pattern.npos ? pattern.npos : end - i - 1);
            i = end == pattern.npos ? pattern.size() : end + 1;
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
            std::size_t end = pattern.find_first_not_of(c, i);
            end = end == pattern.npos ? pattern.size() : end;
            text += field(c, static_cast<int>(end - i), when, locale);
            i = end;
        } else {
            text.push_back(c);
            ++i;
        }
    }
    auto notSpace = [](char16_t c) { return c != u' '; };
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    return text;
}

// ---- Reading ----------------------------------------------------------------

enum class Kind { Number, Month, Weekday, Am, Pm, Separator };

struct Token {
    Kind kind;
    int value = 0;       // a number, or a month from 1
    int digits = 0;      // of a number
    char16_t separator = u' ';
};

struct Word {
    std::u16string_view text;
    Kind kind;
    int month;
};

// Every word a date may hold, longest first so that "March" wins over "Mar".
std::vector<Word> collectWords(Locale const& locale)
{
    std::vector<Word> words;
    for (Locale const* source : {&locale, &englishLocale()}) {
        for (std::size_t month = 0; month < 12; ++month)
            for (std::u16string const& form : source->monthNames[month])
                words.push_back({form, Kind::Month, static_cast<int>(month) + 1});
        for (std::u16string const& form : source->dayNames)
            words.push_back({form, Kind::Weekday, 0});
        words.push_back({source->am, Kind::Am, 0});
        words.push_back({source->pm, Kind::Pm, 0});
    }
    words.push_back({u"A", Kind::Am, 0});
    words.push_back({u"P", Kind::Pm, 0});
    std::erase_if(words, [](Word const& word) { return word.text.empty(); });
    std::ranges::stable_sort(words, std::greater{}, [](Word const& word) { return word.text.size(); });
    return words;
}

// The words of the locale a thread last read a date in, which the next date
// mostly shares. Locales are kept for the life of the process and never
// change, so one is known by its address.
std::vector<Word> const& wordsOf(Locale const& locale)
{
    thread_local Locale const* cached = nullptr;
    thread_local std::vector<Word> words;
    if (cached != &locale) {
        words = collectWords(locale);
        cached = &locale;
    }
    return words;
}

bool isLetter(char16_t c)
{
    return u_isalpha(c);
}

// The word at the start of `text`, or nothing. An abbreviation matches with
// or without its closing point ("janv." and "janv").
// Whether two letters differ whatever their case, for ASCII letters alone:
// other letters may fold to more than one (ß to ss), which only a full
// comparison sees.
bool differentAsciiLetters(char16_t a, char16_t b)
{
    auto isAsciiLetter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    return isAsciiLetter(a) && isAsciiLetter(b) && (a | 0x20) != (b | 0x20);
}

std::optional<std::pair<Word, std::size_t>> wordAt(std::u16string_view text, std::vector<Word> const& words)
{
    for (Word const& word : words) {
        // Most words are told apart by their first letter, without ICU.
        if (differentAsciiLetters(text.front(), word.text.front()))
            continue;
        for (std::u16string_view form : {word.text, word.text.substr(0, word.text.size() - 1)}) {
            if (form.empty() || (form.size() != word.text.size() && word.text.back() != u'.'))
                continue;
            if (form.size() > text.size() || !equalsIgnoringCase(text.substr(0, form.size()), form))
                continue;
            if (form.size() < text.size() && isLetter(form.back()) && isLetter(text[form.size()]))
                continue;
            return std::pair{word, form.size()};
        }
    }
    return std::nullopt;
}

bool isSpace(char16_t c)
{
    // U+3000 is the ideographic space of Japanese and Chinese texts.
    return c == u' ' || c == u'\t' || c == 0x00A0 || c == 0x202F || c == 0x3000;
}

std::optional<std::vector<Token>> tokens(std::u16string_view text, Locale const& locale)
{
    std::vector<Word> const& words = wordsOf(locale);
    std::vector<Token> result;
    while (!text.empty()) {
        char16_t c = text.front();
        if (c >= u'0' && c <= u'9') {
            Token number{Kind::Number};
            while (!text.empty() && text.front() >= u'0' && text.front() <= u'9') {
                number.value = std::min(number.value * 10 + (text.front() - u'0'), 100000);
                ++number.digits;
                text.remove_prefix(1);
            }
            result.push_back(number);
        } else if (auto word = isLetter(c) ? wordAt(text, words) : std::nullopt) {
            result.push_back({word->first.kind, word->first.month});
            text.remove_prefix(word->second);
        } else if (isSpace(c) || c == u'/' || c == u'-' || c == u',' || c == u'.' || c == u':' ||
                   c == locale.dateSeparator) {
            result.push_back({Kind::Separator, 0, 0, isSpace(c) ? u' ' : c});
            text.remove_prefix(1);
        } else {
            return std::nullopt;
        }
    }
    return result;
}

struct DateElement {
    int value;
    int digits;
    bool isMonthName;
};

// What a text holds: the elements of its date in order, and its time.
struct WrittenDate {
    std::vector<DateElement> date;
    std::optional<TimeOfDay> time;
};

// Hours, minutes and seconds joined by a time separator, with an optional
// AM or PM; hours alone need the AM or PM.
std::optional<TimeOfDay> timeOf(std::vector<int> const& values, std::optional<Kind> dayPeriod)
{
    if (values.empty() || values.size() > 3 || (values.size() == 1 && !dayPeriod))
        return std::nullopt;
    TimeOfDay time{values[0], values.size() > 1 ? values[1] : 0, values.size() > 2 ? values[2] : 0};
    if (time.hour > 23 || time.minute > 59 || time.second > 59)
        return std::nullopt;
    // AM and PM mean nothing after 12 o'clock.
    if (dayPeriod == Kind::Am && time.hour == 12)
        time.hour = 0;
    else if (dayPeriod == Kind::Pm && time.hour < 12)
        time.hour += 12;
    return time;
}

class PartsReader {
public:
    PartsReader(std::vector<Token> tokens, Locale const& locale)
        : tokens_(std::move(tokens)), timeSeparatorPoint_(locale.dateSeparator != u'.'),
          closingPoint_(locale.datePattern.ends_with(u'.'))
    {
    }

    std::optional<WrittenDate> read()
    {
        WrittenDate parts;
        bool timeLast = false;
        if (separatorsBefore(0) > 0)
            return std::nullopt;
        while (skipSeparators()) {
            Token const& token = tokens_[next_];
            if (token.kind == Kind::Weekday) {
                ++next_;
                continue;
            }
            if (timeLast)
                return std::nullopt; // a time stands first or last
            if (token.kind == Kind::Month) {
                parts.date.push_back({token.value, 0, true});
                ++next_;
            } else if (token.kind != Kind::Number) {
                // Some locales put AM or PM first: "오전 6:00:00".
                if (leadingDayPeriod_)
                    return std::nullopt;
                leadingDayPeriod_ = token.kind;
                ++next_;
            } else if (auto time = readTime()) {
                if (!*time || parts.time)
                    return std::nullopt;
                parts.time = *time;
                timeLast = !parts.date.empty();
            } else if (leadingDayPeriod_) {
                return std::nullopt; // AM or PM without a time
            } else {
                parts.date.push_back({token.value, token.digits, false});
                ++next_;
            }
        }
        if (!valid_ || trailingSeparator_ || leadingDayPeriod_)
            return std::nullopt;
        return parts;
    }

private:
    // Non-space separators from token `index` on, up to the next token that
    // is none.
    int separatorsBefore(std::size_t index) const
    {
        int count = 0;
        for (; index < tokens_.size() && tokens_[index].kind == Kind::Separator; ++index)
            count += tokens_[index].separator != u' ';
        return count;
    }

    // Moves to the next token that is no separator; false at the end.
    bool skipSeparators()
    {
        int count = separatorsBefore(next_);
        char16_t last = u' ';
        for (; next_ < tokens_.size() && tokens_[next_].kind == Kind::Separator; ++next_)
            last = tokens_[next_].separator == u' ' ? last : tokens_[next_].separator;
        if (next_ == tokens_.size()) {
            // Only a locale whose dates end in a point ("2024. 3. 1.") ends
            // a text with a separator.
            trailingSeparator_ = count > 1 || (count == 1 && !(last == u'.' && closingPoint_));
            return false;
        }
        // One separator between two elements: "1/2", "2, 1970", "2. Jan".
        valid_ = valid_ && count <= 1;
        return valid_;
    }

    bool isTimeSeparator(std::size_t index) const
    {
        if (index >= tokens_.size() || tokens_[index].kind != Kind::Separator)
            return false;
        char16_t c = tokens_[index].separator;
        return c == u':' || (c == u'.' && timeSeparatorPoint_);
    }

    bool isNumber(std::size_t index) const { return index < tokens_.size() && tokens_[index].kind == Kind::Number; }

    // The time that starts at the current number, if one does: nothing when
    // the number is part of the date, an empty time when it is a bad time.
    std::optional<std::optional<TimeOfDay>> readTime()
    {
        std::size_t at = next_;
        std::vector<int> values{tokens_[at].value};
        while (isTimeSeparator(at + 1) && isNumber(at + 2)) {
            values.push_back(tokens_[at + 2].value);
            at += 2;
        }
        std::size_t after = at + 1;
        while (after < tokens_.size() && tokens_[after].kind == Kind::Separator && tokens_[after].separator == u' ')
            ++after;
        std::optional<Kind> dayPeriod = std::exchange(leadingDayPeriod_, std::nullopt);
        if (!dayPeriod && after < tokens_.size() &&
            (tokens_[after].kind == Kind::Am || tokens_[after].kind == Kind::Pm)) {
            dayPeriod = tokens_[after].kind;
            at = after;
        }
        if (values.size() == 1 && !dayPeriod)
            return std::nullopt;
        next_ = at + 1;
        return timeOf(values, dayPeriod);
    }

    std::vector<Token> tokens_;
    bool timeSeparatorPoint_;
    bool closingPoint_;
    std::optional<Kind> leadingDayPeriod_;
    std::size_t next_ = 0;
    bool valid_ = true;
    bool trailingSeparator_ = false;
};

using Order = std::array<int, 3>; // indices of year, month and day among the elements

std::optional<CalendarDay> dayIn(std::vector<DateElement> const& elements, Order order)
{
    auto const& [year, month, day] = order;
    auto value = [&](int index) { return index < 0 ? 0 : elements[static_cast<std::size_t>(index)].value; };
    auto digits = [&](int index) { return index < 0 ? 0 : elements[static_cast<std::size_t>(index)].digits; };
    // Only a year is written with more than two digits.
    if (digits(month) > 2 || digits(day) > 2)
        return std::nullopt;
    CalendarDay date{year < 0 ? currentYear() : fullYear(elements[static_cast<std::size_t>(year)].value), value(month),
                     day < 0 ? 1 : value(day)};
    return isValid(date) ? std::optional(date) : std::nullopt;
}

// The first order that gives a real day.
std::optional<CalendarDay> firstDay(std::vector<DateElement> const& elements, std::initializer_list<Order> orders)
{
    for (Order const& order : orders)
        if (auto date = dayIn(elements, order))
            return date;
    return std::nullopt;
}

// The calendar day of a date's elements (numbers and at most one month name),
// trying the locale's order first.
std::optional<CalendarDay> calendarDay(std::vector<DateElement> elements, DateOrder order)
{
    // -1: not written (the current year; the first of the month).
    auto monthName = std::ranges::find_if(elements, &DateElement::isMonthName);
    if (monthName != elements.end()) {
        if (std::ranges::count_if(elements, &DateElement::isMonthName) > 1)
            return std::nullopt;
        // The month is known: the numbers are a day and a year, either way.
        int month = static_cast<int>(monthName - elements.begin());
        int first = month == 0 ? 1 : 0;
        int second = month == 2 ? 1 : 2;
        switch (elements.size()) {
        case 2:
            return firstDay(elements, {{-1, month, first}, {first, month, -1}});
        case 3:
            return firstDay(elements, {{second, month, first}, {first, month, second}});
        default:
            return std::nullopt;
        }
    }
    Order const ymd{0, 1, 2}, mdy{2, 0, 1}, dmy{2, 1, 0};
    switch (elements.size()) {
    case 2: {
        Order const monthDay{-1, 0, 1}, dayMonth{-1, 1, 0};
        bool dayFirst = order == DateOrder::DayMonthYear;
        return firstDay(elements, {dayFirst ? dayMonth : monthDay, dayFirst ? monthDay : dayMonth, {0, 1, -1},
                                   {1, 0, -1}});
    }
    case 3: {
        Order const preferred = order == DateOrder::DayMonthYear ? dmy : order == DateOrder::YearMonthDay ? ymd : mdy;
        return firstDay(elements, {preferred, ymd, mdy, dmy});
    }
    default:
        return std::nullopt;
    }
}

} // namespace

std::expected<std::u16string, HRESULT> formatDate(DATE value, Locale const& locale, DateParts parts)
{
    auto when = split(value);
    if (!when)
        return std::unexpected(E_INVALIDARG);
    bool const onEpoch = std::trunc(value) == 0;
    bool const atMidnight = value == std::trunc(value);
    if (parts == DateParts::TimeOnly || (parts == DateParts::AsNeeded && onEpoch))
        return render(locale.timePattern, *when, locale);
    if (parts == DateParts::DateOnly || (parts == DateParts::AsNeeded && atMidnight))
        return render(locale.datePattern, *when, locale);
    return render(locale.datePattern, *when, locale) + u" " + render(locale.timePattern, *when, locale);
}

std::optional<DateFields> dateFieldsOf(DATE value)
{
    auto when = split(value);
    if (!when)
        return std::nullopt;
    auto const& [date, time, weekday, dayOfYear] = *when;
    return DateFields{date.year, date.month, date.day, time.hour, time.minute, time.second, weekday, dayOfYear};
}

std::u16string formatDatePattern(DateFields const& fields, std::u16string_view pattern, Locale const& locale)
{
    DateAndTime const when{{fields.year, fields.month, fields.day},
                           {fields.hour, fields.minute, fields.second},
                           fields.weekday, fields.dayOfYear};
    return render(pattern, when, locale);
}

std::expected<DATE, HRESULT> parseDate(std::u16string_view text, Locale const& locale)
{
    auto found = tokens(text, locale);
    if (!found)
        return std::unexpected(DISP_E_TYPEMISMATCH);
    auto parts = PartsReader(std::move(*found), locale).read();
    if (!parts || (parts->date.empty() && !parts->time))
        return std::unexpected(DISP_E_TYPEMISMATCH);
    TimeOfDay const time = parts->time.value_or(TimeOfDay{});
    if (parts->date.empty())
        return time.fraction();
    auto date = calendarDay(parts->date, locale.dateOrder);
    if (!date)
        return std::unexpected(DISP_E_TYPEMISMATCH);
    return dateOf(*date, time);
}

} // namespace qor::platform::posix::ole::convert
