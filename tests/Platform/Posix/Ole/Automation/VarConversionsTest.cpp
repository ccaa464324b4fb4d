// The VarXxxFromYyy functions where they part from VariantChangeType, and
// the user's settings of the locale that both read. Wine's conformance tests
// (tests/Conformance) check the family value by value.

#include <gtest/gtest.h>

#include <limits>
#include <string_view>

#include "Platform/Com.h"

namespace {

TEST(VarConversions, DifferFromVariantChangeTypeWhereWindowsDoes)
{
    // Integers of one width: VariantChangeType keeps the bits, a typed
    // function checks the range.
    USHORT word = 0;
    EXPECT_EQ(VarUI2FromI2(-1, &word), DISP_E_OVERFLOW);
    _variant_t minusOne(SHORT(-1)), out;
    ASSERT_EQ(VariantChangeType(&out, &minusOne, 0, VT_UI2), S_OK);
    EXPECT_EQ(out.uiVal, 0xFFFF);
    // A true VT_BOOL is the decimal -1 of VarDecFromBool, 1 of VariantChangeType.
    DECIMAL decimal{};
    ASSERT_EQ(VarDecFromBool(VARIANT_TRUE, &decimal), S_OK);
    EXPECT_EQ(decimal.sign, DECIMAL_NEG);
    EXPECT_EQ(decimal.Lo64, 1u);
    _variant_t yes(true);
    ASSERT_EQ(VariantChangeType(&out, &yes, 0, VT_DECIMAL), S_OK);
    EXPECT_EQ(out.decVal.sign, 0);
    EXPECT_EQ(out.decVal.Lo64, 1u);
    // VarBstrFromBool writes words, VariantChangeType the number unless asked.
    BSTR text = nullptr;
    ASSERT_EQ(VarBstrFromBool(VARIANT_TRUE, 0x0407, VAR_LOCALBOOL, &text), S_OK);
    EXPECT_EQ(std::u16string_view(text), u"Wahr");
    SysFreeString(text);
    ASSERT_EQ(VariantChangeType(&out, &yes, 0, VT_BSTR), S_OK);
    EXPECT_EQ(std::u16string_view(out.bstrVal), u"-1");
}

// A double becomes units of a CY from its exact product with 10,000, as
// Windows' x87 code has it, not from that product rounded to a double first.
TEST(VarConversions, AmountsBecomeCurrencyFromTheExactProduct)
{
    CY amount{};
    ASSERT_EQ(VarCyFromR8(-461168601842738.7904, &amount), S_OK);
    EXPECT_EQ(amount.int64, LONGLONG(0xBFFFFFFFFFFFFF23ull));
    ASSERT_EQ(VarCyFromR8(922337203685476.0, &amount), S_OK);
    EXPECT_EQ(amount.int64, 9223372036854760000);
    ASSERT_EQ(VarCyFromR8(0.00015, &amount), S_OK);
    EXPECT_EQ(amount.int64, 1) << "the double is a hair below 1.5 units";
    ASSERT_EQ(VarCyFromR8(0.03125, &amount), S_OK);
    EXPECT_EQ(amount.int64, 312) << "312.5 units round to even";
    ASSERT_EQ(VarCyFromR8(0.09375, &amount), S_OK);
    EXPECT_EQ(amount.int64, 938);
    ASSERT_EQ(VarCyFromR8(-922337203685477.5, &amount), S_OK);
    EXPECT_EQ(amount.int64, -9223372036854775000);
    EXPECT_EQ(VarCyFromR8(922337203685477.6, &amount), DISP_E_OVERFLOW);
    EXPECT_EQ(VarCyFromR8(std::numeric_limits<double>::quiet_NaN(), &amount), DISP_E_OVERFLOW);
}

// What the host sets of the user's locale counts where LOCALE_USER_DEFAULT
// stands for it, unless the caller asks for the locale as it comes.
TEST(VarConversions, ReadTheUsersSettingsOfTheLocale)
{
    struct Restore {
        ~Restore()
        {
            SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, u",");
            SetVarConversionLocaleSetting(0);
        }
    } restore;
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, u"'"));
    LONG value = 0;
    ASSERT_EQ(VarI4FromStr(u"1'000", LOCALE_USER_DEFAULT, 0, &value), S_OK);
    EXPECT_EQ(value, 1000);
    EXPECT_EQ(VarI4FromStr(u"1'000", LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, &value), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VarI4FromStr(u"1'000", 0x0409, 0, &value), DISP_E_TYPEMISMATCH) << "en-US as it comes";
    _variant_t grouped(u"2'000"), out;
    ASSERT_EQ(VariantChangeType(&out, &grouped, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 2000);
    EXPECT_EQ(VariantChangeType(&out, &grouped, VARIANT_NOUSEROVERRIDE, VT_I4), DISP_E_TYPEMISMATCH);
    // The process may ask for the locales' own settings everywhere.
    ULONG setting = 1;
    ASSERT_EQ(GetVarConversionLocaleSetting(&setting), S_OK);
    EXPECT_EQ(setting, 0u);
    ASSERT_EQ(SetVarConversionLocaleSetting(2), S_OK);
    EXPECT_EQ(VarI4FromStr(u"1'000", LOCALE_USER_DEFAULT, 0, &value), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(SetVarConversionLocaleSetting(1), S_OK);
    EXPECT_EQ(VarI4FromStr(u"1'000", LOCALE_USER_DEFAULT, 0, &value), S_OK);
    EXPECT_EQ(SetVarConversionLocaleSetting(3), E_INVALIDARG);
    EXPECT_EQ(GetVarConversionLocaleSetting(nullptr), E_INVALIDARG);
    ASSERT_EQ(GetVarConversionLocaleSetting(&setting), S_OK);
    EXPECT_EQ(setting, 1u);
    SetLastError(0);
    EXPECT_FALSE(SetLocaleInfoW(0x0407, LOCALE_STHOUSAND, u"'"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << "only the user's locale has settings";
}

} // namespace
