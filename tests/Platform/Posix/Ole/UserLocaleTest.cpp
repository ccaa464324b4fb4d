#include <gtest/gtest.h>

#include "Converted.h"

namespace {

using qor::test::textIn;

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
