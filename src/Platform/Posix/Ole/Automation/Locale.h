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

    // ICU pattern letters: the short date with four-digit years, the time of
    // day with seconds; "M/d/yyyy" and "h:mm:ss a" in en-US.
    std::u16string datePattern;
    std::u16string timePattern;
    DateOrder dateOrder = DateOrder::MonthDayYear;
    char16_t dateSeparator = u'/';

    // Every name ICU knows, for each month from January: the full one, the
    // abbreviated one, then their stand-alone forms. The days of the week
    // from Sunday, full, then abbreviated.
    std::array<std::vector<std::u16string>, 12> monthNames;
    std::vector<std::u16string> dayNames;
    std::u16string am;
    std::u16string pm;

    // The words VARIANT_LOCALBOOL asks for.
    std::u16string trueWord;
    std::u16string falseWord;
};

// The locale of `lcid`, made once and kept for the life of the process.
// LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT and the other language-neutral
// LCIDs stand for the user default locale (UserLocale.h), with the items the
// host set of it unless `userSettings` is false (LOCALE_NOUSEROVERRIDE); an
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

Locale const& englishLocale();

// Whether `lcid` names a locale of its own (not one of the default LCIDs).
bool namesLocale(LCID lcid);

// Words of a locale compare under Unicode case folding.
bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

} // namespace qor::platform::posix::ole::convert
