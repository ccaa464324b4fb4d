#include <gtest/gtest.h>

#include "Converted.h"

namespace {

using qor::test::convert;
using qor::test::printable;
using qor::test::textIn;

// Number texts are read with the separators and currency symbol of the LCID.
TEST(NumberText, TextsReadInTheLocale)
{
    struct Case {
        LCID lcid;
        std::u16string text;
        double value;
    } cases[] = {{0x0409, u"1,234.5", 1234.5},      {0x0409, u"1,5", 15},
                 {0x0407, u"1,5", 1.5},             {0x0407, u"1.234,5", 1234.5},
                 {0x0407, u"1.5", 15},              {0x0407, u"-12,5 \u20AC", -12.5},
                 {0x040C, u"1\u202F234,5", 1234.5}, {0x040C, u"1 234,5", 1234.5},
                 {0x040C, u"(12 \u20AC)", -12}};
    for (auto const& c : cases) {
        auto number = convert(_variant_t(c.text.c_str()), VT_R8, c.lcid);
        ASSERT_EQ(number.hr, S_OK) << printable(c.text);
        EXPECT_EQ(number.value.dblVal, c.value) << printable(c.text);
    }
    for (auto [lcid, text] : {std::pair{0x0407, u"$12"}, {0x040C, u"1.5"}, {0x0409, u"12 \u20AC"}})
        EXPECT_EQ(convert(_variant_t(text), VT_R8, lcid).hr, DISP_E_TYPEMISMATCH) << printable(text);
}

TEST(NumberText, NumbersWriteWithTheLocalesDecimalSeparator)
{
    CY oneAndAHalf{};
    oneAndAHalf.int64 = 15000;
    struct Case {
        LCID lcid;
        _variant_t value;
        std::u16string text;
    } cases[] = {{0x0409, 0.5, u"0.5"},         {0x0407, 0.5, u"0,5"}, {0x040C, -0.25f, u"-0,25"},
                 {0x0407, oneAndAHalf, u"1,5"}, {0x0407, 1e20, u"1E+20"}};
    for (auto const& c : cases)
        EXPECT_EQ(textIn(c.lcid, c.value), c.text);
}

// The default LCIDs stand for en-US until the host names another locale.
TEST(UserLocale, TheHostChoosesWhatTheDefaultLocalesStandFor)
{
    _variant_t half(0.5);
    EXPECT_EQ(GetUserDefaultLCID(), 0x0409u);
    EXPECT_EQ(textIn(LOCALE_USER_DEFAULT, half), u"0.5");

    ASSERT_TRUE(SetUserDefaultLCID(0x0407));
    struct Restore {
        ~Restore() { SetUserDefaultLCID(0x0409); }
    } restore;
    for (LCID lcid : {LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT, LOCALE_NEUTRAL})
        EXPECT_EQ(textIn(lcid, half), u"0,5") << lcid;
    _variant_t text;
    ASSERT_EQ(VariantChangeType(&text, &half, 0, VT_BSTR), S_OK);
    EXPECT_EQ(std::u16string(text.bstrVal), u"0,5");
    EXPECT_EQ(textIn(0x0409, half), u"0.5");

    for (LCID bad : {LCID(LOCALE_USER_DEFAULT), LCID(0x1234)}) {
        SetLastError(0);
        EXPECT_FALSE(SetUserDefaultLCID(bad));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(GetSystemDefaultLCID(), 0x0407u);
}

} // namespace
