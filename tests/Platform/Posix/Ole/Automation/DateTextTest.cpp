#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "Converted.h"

namespace {

using qor::test::convert;
using qor::test::printable;
using qor::test::textIn;

_variant_t date(DATE value)
{
    return _variant_t(value, VT_DATE);
}

TEST(DateText, DatesWriteAsTheLocaleWritesThem)
{
    struct Case {
        LCID lcid;
        USHORT flags;
        DATE value;
        std::u16string text;
    } cases[] = {{0x0409, 0, 0.0, u"12:00:00 AM"},
                 {0x0409, 0, 3.34, u"1/2/1900 8:09:36 AM"},
                 {0x0409, 0, 365.0, u"12/30/1900"},
                 {0x0409, 0, -1.25, u"12/29/1899 6:00:00 AM"},
                 {0x0409, 0, 0.75, u"6:00:00 PM"},
                 {0x0409, 0, -49192.24, u"4/24/1765 5:45:36 AM"},
                 {0x0409, 0, -657434.0, u"1/1/100"},
                 {0x0409, 0, 2958465.0, u"12/31/9999"},
                 {0x0409, VARIANT_USE_NLS, 25570.0, u"1/2/1970 12:00:00 AM"},
                 {0x0407, 0, 25570.75, u"02.01.1970 18:00:00"},
                 {0x040C, 0, 25570.0, u"02/01/1970"},
                 {0x040C, 0, 0.25, u"06:00:00"}};
    for (auto const& c : cases)
        EXPECT_EQ(textIn(c.lcid, date(c.value), c.flags), c.text) << c.value;
    for (DATE outside : {-657435.0, 2958466.0, std::nan("")})
        EXPECT_EQ(convert(date(outside), VT_BSTR, 0x0409).hr, E_INVALIDARG) << outside;
}

TEST(DateText, TextsReadAsWindowsReadsDates)
{
    struct Case {
        LCID lcid;
        std::u16string text;
        DATE value;
    } cases[] = {{0x0409, u"1/2/1970", 25570},
                 {0x0409, u"Friday, January 2, 1970 6:00 PM", 25570.75},
                 {0x0409, u"2-Jan-70", 25570},
                 {0x0409, u"1970-1-13", 25581},
                 {0x0409, u"13-1-1970", 25581},
                 {0x0409, u"12/29/1899 6:00 AM", -1.25},
                 {0x0409, u"12:59 p", (12 * 60 + 59) / 1440.0},
                 {0x0409, u"12:00:00 AM", 0},
                 {0x0409, u"13:00 AM", 13 / 24.0},
                 // A point between numbers separates hours and minutes.
                 {0x0409, u"2.5", (2 * 60 + 5) / 1440.0},
                 // Years of two digits are 1950 to 2049.
                 {0x0409, u"1 2 50", 18265},
                 {0x0409, u"1 2 49", 54425},
                 // The locale's order first, then the others.
                 {0x0409, u"32 2 3", 48247},
                 {0x0409, u"14 2 3", 41673},
                 {0x0407, u"02.01.1970 18:00:00", 25570.75},
                 {0x0407, u"02.13.1970", 25612},
                 {0x0407, u"2. Januar 1970", 25570},
                 {0x040C, u"2 janv. 1970", 25570},
                 {0x0412, u"2024. 3. 1. \uC624\uD6C4 6:00:00", 45352.75},
                 {0x0412, u"2024. 3. 1.", 45352}};
    for (auto const& c : cases) {
        auto read = convert(_variant_t(c.text.c_str()), VT_DATE, c.lcid);
        ASSERT_EQ(read.hr, S_OK) << printable(c.text);
        EXPECT_DOUBLE_EQ(read.value.date, c.value) << printable(c.text);
    }
    for (std::u16string bad : {u"", u"True", u"1", u"0.", u"-1.1", u"1 2.3 4", u"1.2 3.4", u"24:00", u"0:60",
                               u"1 am 2", u"2/30/1970", u"32 49", u"02.01.1970"})
        EXPECT_EQ(convert(_variant_t(bad.c_str()), VT_DATE, 0x0409).hr, DISP_E_TYPEMISMATCH) << printable(bad);

    // A date without its year is one of this year.
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    auto thisYear = convert(_variant_t(("1/2/" + std::to_string(local.tm_year + 1900)).c_str()), VT_DATE, 0x0409);
    EXPECT_EQ(convert(_variant_t(u"Jan 2"), VT_DATE, 0x0409).value.date, thisYear.value.date);
}

} // namespace
