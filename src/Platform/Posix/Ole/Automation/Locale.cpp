#include "Platform/Posix/Ole/Automation/Locale.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

#include <unicode/uchar.h>
#include <unicode/ucal.h>
#include <unicode/udat.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>
#include <unicode/ustring.h>

#include "Platform/Posix/Ole/Automation/UserLocale.h"

namespace qor::platform::posix::ole::convert {
namespace {

// Windows keeps the words of VARIANT_LOCALBOOL and of VarFormat's named
// formats in oleaut32's resources and ICU has none: the languages known
// here, English for the others.
struct BooleanWords {
    std::string_view language;
    std::u16string_view trueWord;
    std::u16string_view falseWord;
    std::u16string_view yesWord;
    std::u16string_view noWord;
    std::u16string_view onWord;
    std::u16string_view offWord;
};
constexpr BooleanWords kBooleanWords[] = {
    {"en", u"True", u"False", u"Yes", u"No", u"On", u"Off"},
    {"de", u"Wahr", u"Falsch", u"Ja", u"Nein", u"Ein", u"Aus"},
    {"fr", u"Vrai", u"Faux", u"Oui", u"Non", u"Actif", u"Inactif"},
};

// LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT, LOCALE_NEUTRAL and their kin
// have the neutral primary language.
bool isDefaultLcid(LCID lcid)
{
    return PRIMARYLANGID(LANGIDFROMLCID(lcid)) == LANG_NEUTRAL;
}

// ICU's name of a language and region ("de_DE"), or nothing. The sort order
// of the LCID does not change how texts look.
std::string icuName(LCID lcid)
{
    char name[ULOC_FULLNAME_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = uloc_getLocaleForLCID(LANGIDFROMLCID(lcid), name, sizeof name, &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING || length <= 0)
        return {};
    return name;
}

// The text an ICU call writes into a buffer of the caller's.
template <class Fill>
std::u16string icuText(Fill fill)
{
    std::u16string text(64, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = fill(text.data(), static_cast<int32_t>(text.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        text.resize(static_cast<std::size_t>(length));
        status = U_ZERO_ERROR;
        length = fill(text.data(), static_cast<int32_t>(text.size()), &status);
    }
    if (U_FAILURE(status) || length < 0)
        return {};
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string withKeyword(std::string const& name, char const* keyword, char const* value)
{
    char result[ULOC_FULLNAME_CAPACITY];
    std::snprintf(result, sizeof result, "%s", name.c_str());
    UErrorCode status = U_ZERO_ERROR;
    uloc_setKeywordValue(keyword, value, result, sizeof result, &status);
    return U_SUCCESS(status) ? std::string(result) : name;
}

void readGrouping(Locale& locale, UNumberFormat const* format)
{
    int32_t size = unum_getAttribute(format, UNUM_GROUPING_SIZE);
    int32_t next = unum_getAttribute(format, UNUM_SECONDARY_GROUPING_SIZE);
    locale.groupSize = size > 0 ? size : 3;
    locale.nextGroupSize = next > 0 ? next : locale.groupSize;
    locale.leadingZero = unum_getAttribute(format, UNUM_MIN_INTEGER_DIGITS) > 0;
}

// Where the currency sign (U+00A4) of an ICU pattern stands against the
// digits, and the spaces between them.
void readCurrencyPlace(Locale& locale, std::u16string_view pattern)
{
    pattern = pattern.substr(0, pattern.find(u';'));
    std::size_t sign = pattern.find(u'\u00A4');
    std::size_t first = pattern.find_first_of(u"#0");
    std::size_t last = pattern.find_last_of(u"#0");
    if (sign == pattern.npos || first == pattern.npos)
        return;
    locale.currencyFirst = sign < first;
    std::u16string_view between =
        locale.currencyFirst ? pattern.substr(sign + 1, first - sign - 1) : pattern.substr(last + 1, sign - last - 1);
    locale.currencySpace.clear();
    for (char16_t c : between)
        if (u_isspace(c) || c == 0x00A0 || c == 0x202F)
            locale.currencySpace.push_back(c);
}

void readNumberSymbols(Locale& locale, std::string const& name)
{
    std::string const latin = withKeyword(name, "numbers", "latn");
    auto symbol = [](UNumberFormat* format, UNumberFormatSymbol which) {
        return icuText([&](char16_t* buffer, int32_t size, UErrorCode* status) {
            return unum_getSymbol(format, which, buffer, size, status);
        });
    };
    UErrorCode status = U_ZERO_ERROR;
    if (UNumberFormat* format = unum_open(UNUM_DECIMAL, nullptr, 0, latin.c_str(), nullptr, &status)) {
        locale.decimalSeparator = symbol(format, UNUM_DECIMAL_SEPARATOR_SYMBOL);
        locale.groupSeparator = symbol(format, UNUM_GROUPING_SEPARATOR_SYMBOL);
        locale.minusSign = symbol(format, UNUM_MINUS_SIGN_SYMBOL);
        readGrouping(locale, format);
        unum_close(format);
    }
    status = U_ZERO_ERROR;
    if (UNumberFormat* format = unum_open(UNUM_CURRENCY, nullptr, 0, latin.c_str(), nullptr, &status)) {
        locale.currencySymbol = symbol(format, UNUM_CURRENCY_SYMBOL);
        locale.monetaryDecimalSeparator = symbol(format, UNUM_MONETARY_SEPARATOR_SYMBOL);
        locale.monetaryGroupSeparator = symbol(format, UNUM_MONETARY_GROUPING_SEPARATOR_SYMBOL);
        locale.currencyDigits = std::clamp(unum_getAttribute(format, UNUM_MAX_FRACTION_DIGITS), 0, 9);
        readCurrencyPlace(locale, icuText([&](char16_t* buffer, int32_t size, UErrorCode* error) {
            return unum_toPattern(format, false, buffer, size, error);
        }));
        unum_close(format);
    }
    if (locale.decimalSeparator.empty())
        locale.decimalSeparator = u".";
    if (locale.minusSign.empty())
        locale.minusSign = u"-";
}

// Windows writes a plain space where recent ICU data has a no-break one
// ("h:mm:ss\u202Fa").
std::u16string plainSpaces(std::u16string pattern)
{
    for (char16_t& c : pattern)
        if (c == 0x202F || c == 0x00A0)
            c = u' ';
    return pattern;
}

// Years are written in full, as Windows' short dates do, so that no century
// is lost on the way back.
std::u16string fullYears(std::u16string_view pattern)
{
    std::u16string result;
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char16_t c = pattern[i];
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u'y') {
            result.push_back(c);
            continue;
        }
        while (i + 1 < pattern.size() && pattern[i + 1] == u'y')
            ++i;
        result += u"yyyy";
    }
    return result;
}

// The order of the year, month and day fields of a date pattern, and the
// separator between the first two.
void readDateLayout(Locale& locale)
{
    std::u16string_view pattern = locale.datePattern;
    std::size_t year = pattern.find(u'y');
    std::size_t month = pattern.find_first_of(u"ML");
    std::size_t day = pattern.find(u'd');
    if (year != pattern.npos && month != pattern.npos && day != pattern.npos) {
        if (year < month && month < day)
            locale.dateOrder = DateOrder::YearMonthDay;
        else if (day < month)
            locale.dateOrder = DateOrder::DayMonthYear;
    }
    std::size_t first = pattern.find_first_of(u"yMLd");
    for (std::size_t i = first == pattern.npos ? pattern.size() : first; i < pattern.size(); ++i) {
        char16_t c = pattern[i];
        if (!u_isalpha(c) && !u_isspace(c) && u_charType(c) != U_FORMAT_CHAR && c != u'\'') {
            locale.dateSeparator = c;
            break;
        }
    }
}

using DateFormat = std::unique_ptr<UDateFormat, decltype(&udat_close)>;

// The dates of a locale in the Gregorian calendar, which OLE dates count in.
DateFormat dateFormat(std::string const& name, UDateFormatStyle time, UDateFormatStyle date)
{
    std::string const gregorian = withKeyword(name, "calendar", "gregorian");
    UErrorCode status = U_ZERO_ERROR;
    UDateFormat* format = udat_open(time, date, gregorian.c_str(), u"UTC", -1, nullptr, -1, &status);
    if (U_FAILURE(status) && format != nullptr) {
        udat_close(format);
        format = nullptr;
    }
    return DateFormat(format, &udat_close);
}

std::u16string patternOf(DateFormat const& format)
{
    if (!format)
        return {};
    return plainSpaces(icuText([&](char16_t* buffer, int32_t size, UErrorCode* error) {
        return udat_toPattern(format.get(), false, buffer, size, error);
    }));
}

// The separator after the hours of the time pattern, and whether its hours
// count to 12.
void readTimeLayout(Locale& locale)
{
    std::u16string_view pattern = locale.timePattern;
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char16_t c = pattern[i];
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && (c == u'h' || c == u'K'))
            locale.twelveHourClock = true;
        else if (!quoted && (c == u'H' || c == u'k'))
            locale.twelveHourClock = false;
    }
    std::size_t hours = pattern.find_last_of(u"HhKk");
    std::size_t minutes = pattern.find(u'm', hours == pattern.npos ? 0 : hours);
    if (hours != pattern.npos && minutes != pattern.npos && minutes > hours + 1 && pattern[hours + 1] != u'\'')
        locale.timeSeparator = pattern[hours + 1];
}

void readWeek(Locale& locale, std::string const& name)
{
    UErrorCode status = U_ZERO_ERROR;
    UCalendar* calendar = ucal_open(nullptr, 0, name.c_str(), UCAL_GREGORIAN, &status);
    if (U_FAILURE(status) || calendar == nullptr)
        return;
    locale.firstDayOfWeek = std::clamp(ucal_getAttribute(calendar, UCAL_FIRST_DAY_OF_WEEK), 1, 7);
    locale.minimalDaysInFirstWeek = std::clamp(ucal_getAttribute(calendar, UCAL_MINIMAL_DAYS_IN_FIRST_WEEK), 1, 7);
    ucal_close(calendar);
}

std::u16string symbolOf(DateFormat const& format, UDateFormatSymbolType type, int32_t index)
{
    return icuText([&](char16_t* buffer, int32_t size, UErrorCode* error) {
        return udat_getSymbols(format.get(), type, index, buffer, size, error);
    });
}

template <std::size_t N>
void readNames(std::array<std::u16string, N>& names, DateFormat const& format, UDateFormatSymbolType type,
               int32_t first)
{
    for (std::size_t i = 0; i < N; ++i)
        names[i] = symbolOf(format, type, first + static_cast<int32_t>(i));
}

// Windows' alternate month names: the Hijri months for Arabic, the months
// of a written date for the languages whose month names change in it.
void readAlternateMonthNames(Locale& locale, std::string const& name)
{
    char language[ULOC_LANG_CAPACITY] = "";
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLanguage(name.c_str(), language, sizeof language, &status);
    std::string_view const which = language;
    if (which != "ar" && which != "pl" && which != "ru")
        return;
    std::string const calendar = which == "ar" ? "islamic" : "gregorian";
    status = U_ZERO_ERROR;
    DateFormat const format(udat_open(UDAT_NONE, UDAT_SHORT, withKeyword(name, "calendar", calendar.c_str()).c_str(),
                                      u"UTC", -1, nullptr, -1, &status),
                            &udat_close);
    if (U_FAILURE(status) || !format)
        return;
    std::array<std::u16string, 12> names;
    readNames(names, format, UDAT_MONTHS, 0);
    locale.alternateMonthNames.assign(names.begin(), names.end());
}

void readDateSymbols(Locale& locale, std::string const& name)
{
    DateFormat const format = dateFormat(name, UDAT_NONE, UDAT_SHORT);
    locale.datePattern = fullYears(patternOf(format));
    locale.timePattern = patternOf(dateFormat(name, UDAT_MEDIUM, UDAT_NONE));
    locale.longDatePattern = patternOf(dateFormat(name, UDAT_NONE, UDAT_FULL));
    locale.mediumDatePattern = patternOf(dateFormat(name, UDAT_NONE, UDAT_MEDIUM));
    if (locale.datePattern.empty())
        locale.datePattern = u"M/d/yyyy";
    if (locale.timePattern.empty())
        locale.timePattern = u"h:mm:ss a";
    if (locale.longDatePattern.empty())
        locale.longDatePattern = u"EEEE, MMMM d, y";
    if (locale.mediumDatePattern.empty())
        locale.mediumDatePattern = u"MMM d, y";
    readDateLayout(locale);
    readTimeLayout(locale);
    readWeek(locale, name);
    readAlternateMonthNames(locale, name);
    if (!format)
        return;
    for (UDateFormatSymbolType type :
         {UDAT_MONTHS, UDAT_SHORT_MONTHS, UDAT_STANDALONE_MONTHS, UDAT_STANDALONE_SHORT_MONTHS})
        for (int32_t month = 0; month < 12; ++month)
            if (std::u16string text = symbolOf(format, type, month); !text.empty())
                locale.monthNames[static_cast<std::size_t>(month)].push_back(std::move(text));
    for (UDateFormatSymbolType type : {UDAT_WEEKDAYS, UDAT_SHORT_WEEKDAYS})
        for (int32_t day = UCAL_SUNDAY; day <= UCAL_SATURDAY; ++day)
            if (std::u16string text = symbolOf(format, type, day); !text.empty())
                locale.dayNames.push_back(std::move(text));
    readNames(locale.monthName, format, UDAT_STANDALONE_MONTHS, 0);
    readNames(locale.monthAbbreviation, format, UDAT_STANDALONE_SHORT_MONTHS, 0);
    readNames(locale.dayName, format, UDAT_STANDALONE_WEEKDAYS, UCAL_SUNDAY);
    readNames(locale.dayAbbreviation, format, UDAT_STANDALONE_SHORT_WEEKDAYS, UCAL_SUNDAY);
    locale.am = symbolOf(format, UDAT_AM_PMS, UCAL_AM);
    locale.pm = symbolOf(format, UDAT_AM_PMS, UCAL_PM);
}

void readBooleanWords(Locale& locale, std::string const& name)
{
    char language[ULOC_LANG_CAPACITY] = "";
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLanguage(name.c_str(), language, sizeof language, &status);
    BooleanWords const* words = &kBooleanWords[0];
    for (BooleanWords const& known : kBooleanWords)
        if (known.language == language)
            words = &known;
    locale.trueWord = words->trueWord;
    locale.falseWord = words->falseWord;
    locale.yesWord = words->yesWord;
    locale.noWord = words->noWord;
    locale.onWord = words->onWord;
    locale.offWord = words->offWord;
}

Locale make(std::string const& name)
{
    // "de_DE" becomes "de_Latn_DE", so that a language alone ("de") still
    // finds its region's currency.
    char full[ULOC_FULLNAME_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    uloc_addLikelySubtags(name.c_str(), full, sizeof full, &status);
    std::string const likely = U_SUCCESS(status) && status != U_STRING_NOT_TERMINATED_WARNING ? full : name;
    Locale locale;
    readNumberSymbols(locale, likely);
    readDateSymbols(locale, likely);
    readBooleanWords(locale, likely);
    return locale;
}

// Locales by ICU name, so that however many LCIDs callers pass, there are
// no more of them than ICU knows.
Locale const& localeNamed(std::string const& name)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<Locale const>> locales;
    std::lock_guard lock(mutex);
    auto& slot = locales[name];
    if (!slot)
        slot = std::make_unique<Locale const>(make(name));
    return *slot;
}

// The user's locale with what the host set of it, made once for each set of
// settings and kept: a conversion may still hold an earlier one.
Locale const& withUserSettings(Locale const& base, UserSettings const& settings)
{
    static std::mutex mutex;
    static std::map<std::pair<Locale const*, unsigned>, std::unique_ptr<Locale const>> locales;
    std::lock_guard lock(mutex);
    auto& slot = locales[{&base, settings.generation}];
    if (!slot) {
        Locale locale = base;
        for (auto const& [item, value] : settings.values) {
            switch (item) {
            case LOCALE_SDECIMAL:
                locale.decimalSeparator = value;
                break;
            case LOCALE_STHOUSAND:
                locale.groupSeparator = value;
                break;
            case LOCALE_SCURRENCY:
                locale.currencySymbol = value;
                break;
            case LOCALE_SMONDECIMALSEP:
                locale.monetaryDecimalSeparator = value;
                break;
            case LOCALE_SMONTHOUSANDSEP:
                locale.monetaryGroupSeparator = value;
                break;
            case LOCALE_SNEGATIVESIGN:
                locale.minusSign = value;
                break;
            default:
                break;
            }
        }
        slot = std::make_unique<Locale const>(std::move(locale));
    }
    return *slot;
}

} // namespace

Locale const& localeOf(LCID lcid, bool userSettings)
{
    bool const user = isDefaultLcid(lcid);
    if (user)
        lcid = GetUserDefaultLCID();
    lcid = LANGIDFROMLCID(lcid);
    // Conversions in a row mostly share their locale.
    thread_local LCID lastLcid = LOCALE_NEUTRAL;
    thread_local Locale const* last = nullptr;
    Locale const* locale = last;
    if (locale == nullptr || lcid != lastLcid) {
        std::string name = icuName(lcid);
        locale = &localeNamed(name.empty() ? "en_US" : name);
        lastLcid = lcid;
        last = locale;
    }
    if (user && userSettings && userSettingsGeneration() != 0 && !systemSettingsOnly())
        return withUserSettings(*locale, currentUserSettings());
    return *locale;
}

std::string localeName(LCID lcid)
{
    if (isDefaultLcid(lcid))
        lcid = GetUserDefaultLCID();
    std::string name = icuName(lcid);
    return name.empty() ? "en_US" : name;
}

Locale const& englishLocale()
{
    return localeOf(kEnglishUs);
}

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t order = u_strCaseCompare(a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()),
                                     U_FOLD_CASE_DEFAULT, &status);
    return U_SUCCESS(status) && order == 0;
}

bool namesLocale(LCID lcid)
{
    return !isDefaultLcid(lcid) && !icuName(lcid).empty();
}

} // namespace qor::platform::posix::ole::convert
