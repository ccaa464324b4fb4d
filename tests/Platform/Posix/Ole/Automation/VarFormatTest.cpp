// VarFormat and its family where Wine's conformance tests do not reach:
// their VarFormat cases run in English only, and nothing of theirs checks
// the null and empty sections, values a format cannot take, tokens that are
// not ours, or the names of months and days.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Converted.h"
#include "Platform/Com.h"

namespace {

using qor::test::printable;

constexpr LCID kEnglish = 0x0409;
constexpr LCID kGerman = 0x0407;
constexpr LCID kFrench = 0x040C;
constexpr LCID kHindi = 0x0439;

std::u16string textOf(BSTR text) {
    return text == nullptr ? u"<null>" : std::u16string(text, SysStringLen(text));
}

std::vector<BYTE> tokensOf(std::u16string format, LCID lcid, int firstDay = 0, int firstWeek = 0) {
    std::vector<BYTE> tokens(1024);
    int size = 0;
    EXPECT_EQ(
        VarTokenizeFormatString(format.data(), tokens.data(), int(tokens.size()), firstDay, firstWeek, lcid, &size),
        S_OK);
    tokens.resize(std::size_t(size));
    return tokens;
}

// The text of a value through a format in a locale, or how it failed.
std::u16string formatIn(LCID lcid, _variant_t value, std::u16string format, ULONG flags = 0, int firstDay = 0,
                        int firstWeek = 0) {
    std::vector<BYTE> tokens = tokensOf(format, lcid, firstDay, firstWeek);
    BSTR out = nullptr;
    HRESULT hr = VarFormatFromTokens(&value, format.data(), tokens.data(), flags, &out, lcid);
    if (FAILED(hr))
        return u"<" +
               std::u16string(hr == DISP_E_TYPEMISMATCH ? u"mismatch"
                              : hr == DISP_E_OVERFLOW   ? u"overflow"
                                                        : u"failed") +
               u">";
    std::u16string text = textOf(out);
    SysFreeString(out);
    return text;
}

DATE const kNewYear1900Noon = 2.525; // Monday 1 January 1900, 12:36

TEST(VarFormat, NumbersAndDatesInTheLocalesOfTheDifferentialCheck) {
    struct Case {
        LCID lcid;
        _variant_t value;
        std::u16string format;
        std::u16string text;
    } const cases[] = {
        {kGerman, 1234.5, u"#,##0.00", u"1.234,50"},
        {kGerman, -1234.5, u"Standard", u"-1.234,50"},
        {kGerman, 0.5, u"Percent", u"50,00%"},
        {kGerman, 1234.5, u"Currency", u"1.234,50\u00A0\u20AC"},
        {kGerman, _variant_t(true), u"Yes/No", u"Ja"},
        {kFrench, 1234.5, u"#,##0.00", u"1\u202F234,50"},
        {kFrench, -2.0, u"Currency", u"-2,00\u00A0\u20AC"},
        {kEnglish, -1.0, u"Currency", u"-$1.00"},
        {kHindi, 1234567, u"#,##0", u"12,34,567"},
        {kGerman, _variant_t(kNewYear1900Noon, VT_DATE), u"Long Date", u"Montag, 1. Januar 1900"},
        {kGerman, _variant_t(kNewYear1900Noon, VT_DATE), u"ddd mmm dd/mm/yy hh:nn", u"Mo Jan 01.01.00 12:36"},
        {kGerman, _variant_t(kNewYear1900Noon, VT_DATE), u"Medium Time", u"12:36"},
        {kGerman, _variant_t(kNewYear1900Noon, VT_DATE), u"Short Date", u"01.01.1900"},
        {kFrench, _variant_t(kNewYear1900Noon, VT_DATE), u"Long Date", u"lundi 1 janvier 1900"},
        {kFrench, _variant_t(kNewYear1900Noon, VT_DATE), u"ddd dddd mmmm", u"lun. lundi janvier"},
        {kEnglish, _variant_t(kNewYear1900Noon, VT_DATE), u"Long Date", u"Monday, January 1, 1900"},
        {kEnglish, _variant_t(kNewYear1900Noon, VT_DATE), u"Medium Time", u"12:36 PM"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(printable(formatIn(c.lcid, c.value, c.format)), printable(c.text))
            << printable(c.format) << " in " << std::hex << c.lcid;
}

// Commas after the last digit scale by 1000; the week of the year follows
// the first day and the first week asked for (ISO's: Monday, four days).
TEST(VarFormat, ScalesAndWeeks) {
    EXPECT_EQ(printable(formatIn(kEnglish, 1234567, u"#,##0,")), "1,235");
    EXPECT_EQ(printable(formatIn(kEnglish, 1234567, u"0,,.0\" M\"")), "1.2 M");
    _variant_t const newYear2021(44197.0, VT_DATE); // a Friday
    EXPECT_EQ(printable(formatIn(kEnglish, newYear2021, u"ww", 0, 1, 1)), "1");
    EXPECT_EQ(printable(formatIn(kEnglish, newYear2021, u"ww", 0, 1, 2)), "53");
    EXPECT_EQ(printable(formatIn(kEnglish, newYear2021, u"ww", 0, 1, 3)), "52");
    EXPECT_EQ(printable(formatIn(kEnglish, newYear2021, u"ww w", 0, 2, 2)), "53 5");
}

// Null has the fourth section of a number format and the second of a text
// format, which the empty text shares; without one, the text is null.
TEST(VarFormat, NullAndEmptyHaveSectionsOfTheirOwn) {
    _variant_t null;
    null.vt = VT_NULL;
    EXPECT_EQ(printable(formatIn(kEnglish, null, u"0;-0;\"zero\";\"null\"")), "null");
    EXPECT_EQ(printable(formatIn(kEnglish, null, u"@;\"none\"")), "none");
    EXPECT_EQ(printable(formatIn(kEnglish, u"", u"@;\"none\"")), "none");
    EXPECT_EQ(printable(formatIn(kEnglish, null, u"0.00")), "<null>");
    EXPECT_EQ(printable(formatIn(kEnglish, 0, u"0;-0;\"zero\";\"null\"")), "zero");
}

// A value a format cannot take is written as it is, unless the caller asks
// for the failure; the functions that format one kind always fail.
TEST(VarFormat, ValuesTheFormatCannotTake) {
    EXPECT_EQ(printable(formatIn(kEnglish, u"abc", u"0.00")), "abc");
    EXPECT_EQ(printable(formatIn(kEnglish, u"abc", u"0.00", VAR_FORMAT_NOSUBSTITUTE)), "<mismatch>");
    EXPECT_EQ(printable(formatIn(kEnglish, 1e10, u"dd")), "10000000000");
    EXPECT_EQ(printable(formatIn(kEnglish, 1e10, u"dd", VAR_FORMAT_NOSUBSTITUTE)), "<overflow>");
    EXPECT_EQ(printable(formatIn(kEnglish, _variant_t(2.5, VT_DATE), u"dd", VAR_CALENDAR_HIJRI)), "<failed>");
    _variant_t text(u"abc");
    BSTR out = nullptr;
    EXPECT_EQ(VarFormatDateTime(&text, 0, 0, &out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VarFormatNumber(&text, 2, -2, -2, -2, 0, &out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(out, nullptr);
}

// Tokens come back from the caller: what is not ours fails, never reads
// past what the tokens say they hold.
TEST(VarFormat, TokensThatAreNotOursFail) {
    std::u16string format = u"#,##0.00 \"units\";(0)";
    std::vector<BYTE> small(10);
    EXPECT_EQ(VarTokenizeFormatString(format.data(), small.data(), 10, 0, 0, kEnglish, nullptr), DISP_E_BUFFERTOOSMALL);
    EXPECT_EQ(VarTokenizeFormatString(format.data(), small.data(), 10, 8, 0, kEnglish, nullptr), E_INVALIDARG);

    std::vector<BYTE> const good = tokensOf(format, kEnglish);
    _variant_t value(1234.5);
    auto formatted = [&](std::vector<BYTE> tokens) {
        BSTR out = nullptr;
        HRESULT hr = VarFormatFromTokens(&value, nullptr, tokens.data(), 0, &out, kEnglish);
        SysFreeString(out);
        return hr;
    };
    EXPECT_EQ(formatted(good), S_OK);
    std::vector<BYTE> zeros(good.size());
    EXPECT_EQ(formatted(zeros), E_INVALIDARG);
    // Every byte but those of the size changed in turn: some still read as
    // tokens, none crashes or reads beyond them (the sanitizer build
    // watches). A size larger than the buffer cannot be seen: the call is
    // given none.
    for (std::size_t i = 0; i < good.size(); ++i) {
        if (i == 4 || i == 5)
            continue;
        std::vector<BYTE> changed = good;
        changed[i] = 0xFF;
        HRESULT const hr = formatted(changed);
        EXPECT_TRUE(hr == S_OK || hr == E_INVALIDARG) << "byte " << i;
    }
    std::vector<BYTE> shorter = good;
    shorter[4] = 20; // the size, cut inside the first section
    EXPECT_EQ(formatted(shorter), E_INVALIDARG);
}

TEST(VarFormat, NumberCurrencyAndPercentWithTheCallersChoices) {
    auto number = [](auto function, _variant_t value, int digits, int lead, int parens, int group) {
        BSTR out = nullptr;
        HRESULT hr = function(&value, digits, lead, parens, group, 0, &out);
        std::string text = SUCCEEDED(hr) ? printable(textOf(out)) : "<failed>";
        SysFreeString(out);
        return text;
    };
    EXPECT_EQ(number(VarFormatNumber, 0.5, 1, 0, -2, -2), ".5");
    EXPECT_EQ(number(VarFormatNumber, -1234.5, -1, -2, -1, -1), "(1,234.50)");
    EXPECT_EQ(number(VarFormatNumber, 1234.5, 0, -2, -2, 0), "1235");
    EXPECT_EQ(number(VarFormatPercent, 0.256, 1, -2, -2, -2), "25.6%");
    EXPECT_EQ(number(VarFormatCurrency, -1, -1, -2, -1, -2), "($1.00)");
    EXPECT_EQ(number(VarFormatCurrency, 1, -2, -2, -2, -2), "<failed>");
}

class InGerman : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetUserDefaultLCID(kGerman)); }
    void TearDown() override { SetUserDefaultLCID(kEnglish); }
};

TEST_F(InGerman, NamesOfMonthsAndDaysStandAlone) {
    auto name = [](auto call) {
        BSTR out = nullptr;
        std::u16string text = SUCCEEDED(call(&out)) ? textOf(out) : u"<failed>";
        SysFreeString(out);
        return printable(text);
    };
    EXPECT_EQ(name([](BSTR* out) { return VarMonthName(3, 0, 0, out); }), "M?rz");
    EXPECT_EQ(name([](BSTR* out) { return VarMonthName(1, 1, 0, out); }), "Jan");
    // The week starts on Monday, unless the caller says Sunday.
    EXPECT_EQ(name([](BSTR* out) { return VarWeekdayName(1, 0, 0, 0, out); }), "Montag");
    EXPECT_EQ(name([](BSTR* out) { return VarWeekdayName(1, 1, 1, 0, out); }), "So");
    BSTR out = nullptr;
    EXPECT_EQ(VarMonthName(13, 0, 0, &out), E_INVALIDARG);
    EXPECT_EQ(VarMonthName(1, 0, VAR_CALENDAR_HIJRI, &out), E_NOTIMPL);

    LPOLESTR* names = nullptr;
    ASSERT_EQ(GetAltMonthNames(0x0419, &names), S_OK); // ru-RU
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(std::u16string(names[0]), u"\u044F\u043D\u0432\u0430\u0440\u044F"); // of January
    EXPECT_EQ(names[12], nullptr);
    ASSERT_EQ(GetAltMonthNames(0x0415, &names), S_OK); // pl-PL
    EXPECT_EQ(printable(names[0]), "stycznia");
    ASSERT_EQ(GetAltMonthNames(LOCALE_USER_DEFAULT, &names), S_OK);
    EXPECT_EQ(names, nullptr);
}

} // namespace
