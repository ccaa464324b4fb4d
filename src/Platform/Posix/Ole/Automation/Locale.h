#pragma once

// What the texts of numbers, dates and booleans look like in the locale an
// LCID names, as ICU's locale data gives it.

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole::convert {

// en-US: the default locale, and the one whose words every locale also reads.
inline constexpr LCID kEnglishUs = 0x0409;

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

struct Locale {
    // Symbols of the Latin-digit numbering, the one automation texts use;
    // amounts of money may have separators of their own.
    std::u16string decimalSeparator;
    std::u16string groupSeparator;
    std::u16string minusSign;
    std::u16string currencySymbol;
    std::u16string monetaryDecimalSeparator;
    std::u16string monetaryGroupSeparator;

    // How the locale lays numbers out: the sizes of the digit groups from
    // the decimal separator on (3, or 3 then 2 in hi-IN: 12,34,567), whether
    // a number below 1 keeps its 0, and the currency's fraction digits and
    // place ("$1.00", "1,00 €", with the space between them as ICU has it).
    int groupSize = 3;
    int nextGroupSize = 3;
    bool leadingZero = true;
    int currencyDigits = 2;
    bool currencyFirst = true;
    std::u16string currencySpace;
    // Windows' default count of fraction digits (LOCALE_IDIGITS), which ICU
    // has no setting for: 2 in nearly every locale.
    int numberDigits = 2;

    // ICU pattern letters: the short date with four-digit years, the time of
    // day with seconds; "M/d/yyyy" and "h:mm:ss a" in en-US.
    std::u16string datePattern;
    std::u16string timePattern;
    DateOrder dateOrder = DateOrder::MonthDayYear;
    char16_t dateSeparator = u'/';
    char16_t timeSeparator = u':';
    // The long and medium dates: "EEEE, MMMM d, y" and "MMM d, y" in en-US.
    std::u16string longDatePattern;
    std::u16string mediumDatePattern;
    // Whether the time of day is on a 12-hour clock with AM and PM.
    bool twelveHourClock = true;
    // 1 for Sunday to 7 for Saturday, as ICU and VarFormat count them, and
    // how many days of the year the first week needs (1 in en-US, 4 in de-DE).
    int firstDayOfWeek = 1;
    int minimalDaysInFirstWeek = 1;

    // Every name ICU knows, for each month from January: the full one, the
    // abbreviated one, then their stand-alone forms. The days of the week
    // from Sunday, full, then abbreviated.
    std::array<std::vector<std::u16string>, 12> monthNames;
    std::vector<std::u16string> dayNames;
    std::u16string am;
    std::u16string pm;

    // The names as they stand alone, which Windows shows for a month or a
    // day by itself: "Jan" in de-DE, where a date has "Jan.". From January
    // and from Sunday.
    std::array<std::u16string, 12> monthName;
    std::array<std::u16string, 12> monthAbbreviation;
    std::array<std::u16string, 7> dayName;
    std::array<std::u16string, 7> dayAbbreviation;
    // The other names of the months that Windows knows for some languages
    // (GetAltMonthNames): the Hijri months in Arabic, the months as a date
    // names them in Polish and Russian ("stycznia", "января"); empty for
    // the others.
    std::vector<std::u16string> alternateMonthNames;

    // The words VARIANT_LOCALBOOL asks for, and those of VarFormat's
    // "Yes/No" and "On/Off".
    std::u16string trueWord;
    std::u16string falseWord;
    std::u16string yesWord;
    std::u16string noWord;
    std::u16string onWord;
    std::u16string offWord;
};

// The locale of `lcid`, made once and kept for the life of the process.
// LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT and the other language-neutral
// LCIDs stand for the user default locale (UserLocale.h), with the items the
// host set of it unless `userSettings` is false (LOCALE_NOUSEROVERRIDE) or
// the process asked for the locales' own (SetVarConversionLocaleSetting); an
// LCID that names no locale ICU knows is read as en-US.
Locale const& localeOf(LCID lcid, bool userSettings = true);

// What the host set of the user's locale (SetLocaleInfoW): values by LCTYPE,
// and how many times it set them, 0 while never.
struct UserSettings {
    std::map<DWORD, std::u16string> values;
    unsigned generation = 0;
};
unsigned userSettingsGeneration();
UserSettings currentUserSettings();
// Whether SetVarConversionLocaleSetting asked for no user's settings at all.
bool systemSettingsOnly();

Locale const& englishLocale();

// ICU's name ("de_DE") of the locale an LCID stands for, the defaults
// resolved as localeOf resolves them.
std::string localeName(LCID lcid);

// Whether `lcid` names a locale of its own (not one of the default LCIDs).
bool namesLocale(LCID lcid);

// Words of a locale compare under Unicode case folding.
bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

} // namespace qor::platform::posix::ole::convert
