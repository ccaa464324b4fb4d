#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "Platform/Com.h"
#include "Support/CountedObject.h"

namespace {

using qor::test::CountedDispatch;

// Owns its VARIANT for the length of a test.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(Var&& other) noexcept : v(other.v) { other.v.vt = VT_EMPTY; }
    Var(Var const&) = delete;
    ~Var() { VariantClear(&v); }
    VARIANT* operator&() { return &v; }
    VARIANT* operator->() { return &v; }
};

Var number(double value)
{
    Var var;
    var->vt = VT_R8;
    var->dblVal = value;
    return var;
}

Var text(std::u16string const& value)
{
    Var var;
    var->vt = VT_BSTR;
    var->bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return var;
}

Var boolean(bool value)
{
    Var var;
    var->vt = VT_BOOL;
    var->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return var;
}

std::u16string textOf(Var& source)
{
    Var out;
    HRESULT hr = VariantChangeType(&out, &source, 0, VT_BSTR);
    if (FAILED(hr))
        return u"<failed>";
    return {out->bstrVal, SysStringLen(out->bstrVal)};
}

HRESULT change(Var& source, VARTYPE vt, Var& out)
{
    return VariantChangeType(&out, &source, 0, vt);
}

TEST(VariantChangeType, DoublesRoundHalfToEvenIntoIntegers)
{
    struct Case {
        double in;
        LONG out;
    } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.4999, 2}, {0.5, 0}, {1.5, 2}};
    for (auto c : cases) {
        Var in = number(c.in), out;
        ASSERT_EQ(change(in, VT_I4, out), S_OK) << c.in;
        EXPECT_EQ(out->vt, VT_I4);
        EXPECT_EQ(out->lVal, c.out) << c.in;
    }
}

TEST(VariantChangeType, OutOfRangeOverflows)
{
    Var big = number(1e10), out;
    EXPECT_EQ(change(big, VT_I4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(out->vt, VT_EMPTY);
    Var byte = number(255.5);
    EXPECT_EQ(change(byte, VT_UI1, out), DISP_E_OVERFLOW);
    Var minusOne = number(-1);
    EXPECT_EQ(change(minusOne, VT_UI4, out), DISP_E_OVERFLOW);
    Var nan = number(std::nan(""));
    EXPECT_EQ(change(nan, VT_I8, out), DISP_E_OVERFLOW);
    Var huge = number(1e300), infinite = number(INFINITY), negativeInfinite = number(-INFINITY);
    EXPECT_EQ(change(huge, VT_R4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(infinite, VT_R4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(negativeInfinite, VT_R4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(huge, VT_CY, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(huge, VT_DECIMAL, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(big, VT_DATE, out), DISP_E_OVERFLOW);
    Var limit = text(u"2147483648");
    EXPECT_EQ(change(limit, VT_I4, out), DISP_E_OVERFLOW);
    ASSERT_EQ(change(limit, VT_UI4, out), S_OK);
    EXPECT_EQ(out->ulVal, 2147483648u);
    Var tooLong = text(u"1e400");
    EXPECT_EQ(change(tooLong, VT_R8, out), DISP_E_OVERFLOW);
    Var tooSmall = text(u"1e-400");
    ASSERT_EQ(change(tooSmall, VT_R8, out), S_OK);
    EXPECT_EQ(out->dblVal, 0.0);
}

TEST(VariantChangeType, TextsParseAsWindowsReadsNumbers)
{
    struct Case {
        std::u16string in;
        LONG out;
    } cases[] = {{u"12", 12},   {u"  -7 ", -7}, {u"1,234", 1234}, {u"2.5", 2}, {u"1e3", 1000}, {u"&HFF", 255},
                 {u"+0", 0},    {u"$12", 12},   {u"12$", 12},     {u"(5)", -5}, {u"($ 5)", -5}, {u"5-", -5},
                 {u"5 +", 5}};
    for (auto const& c : cases) {
        Var in = text(c.in), out;
        ASSERT_EQ(change(in, VT_I4, out), S_OK) << std::string(c.in.begin(), c.in.end());
        EXPECT_EQ(out->lVal, c.out);
    }
    for (std::u16string bad : {u"", u"abc", u"12abc", u"1e", u"--1", u"-5-", u"(5", u"5)", u"$$5", u"True"}) {
        Var in = text(bad), out;
        EXPECT_EQ(change(in, VT_I4, out), DISP_E_TYPEMISMATCH) << std::string(bad.begin(), bad.end());
    }
    // As VB reads &HFFFF as the Integer -1, hexadecimal and octal numbers keep
    // their bits in an integer with room for them.
    for (auto [digits, vt, bits] : {std::tuple{u"&HFFFF", VT_I2, 0xFFFFull}, {u"&O177777", VT_I2, 0xFFFFull},
                                    {u"&HFFFF", VT_I4, 0xFFFFull}, {u"&HFFFFFFFF", VT_I4, 0xFFFFFFFFull}}) {
        Var in = text(digits), out;
        ASSERT_EQ(change(in, vt, out), S_OK);
        EXPECT_EQ(out->ullVal, bits);
    }
    Var wide = text(u"&H10000"), narrow;
    EXPECT_EQ(change(wide, VT_I2, narrow), DISP_E_OVERFLOW);
    // Read as the nearest double, which digit-by-digit accumulation misses.
    for (auto [digits, value] : {std::pair{u"0.1", 0.1}, {u"1e-29", 1e-29}, {u"2.2250738585072014e-308", 0x1p-1022}}) {
        Var real = text(digits), out;
        ASSERT_EQ(change(real, VT_R8, out), S_OK);
        EXPECT_EQ(out->dblVal, value);
    }
    Var out;
    Var null;
    null->vt = VT_BSTR;
    null->bstrVal = nullptr;
    EXPECT_EQ(change(null, VT_I4, out), DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, ValuesFormatAsWindowsWritesThem)
{
    Var i4;
    i4->vt = VT_I4;
    i4->lVal = -42;
    EXPECT_EQ(textOf(i4), u"-42");
    Var ui8;
    ui8->vt = VT_UI8;
    ui8->ullVal = ~0ull;
    EXPECT_EQ(textOf(ui8), u"18446744073709551615");
    Var tenth = number(0.1), third = number(1.0 / 3), big = number(1e20), small = number(0.00001), whole = number(1e14);
    EXPECT_EQ(textOf(tenth), u"0.1");
    EXPECT_EQ(textOf(third), u"0.333333333333333");
    EXPECT_EQ(textOf(big), u"1E+20");
    EXPECT_EQ(textOf(small), u"1E-05");
    EXPECT_EQ(textOf(whole), u"100000000000000");
    Var negativeZero = number(-0.0);
    EXPECT_EQ(textOf(negativeZero), u"0");
    Var single;
    single->vt = VT_R4;
    single->fltVal = 0.1f;
    EXPECT_EQ(textOf(single), u"0.1");
    Var empty;
    EXPECT_EQ(textOf(empty), u"");
}

TEST(VariantChangeType, BooleansFollowVariantTrue)
{
    Var t = boolean(true), out;
    ASSERT_EQ(change(t, VT_I4, out), S_OK);
    EXPECT_EQ(out->lVal, -1);
    ASSERT_EQ(change(t, VT_UI1, out), S_OK);
    EXPECT_EQ(out->bVal, 255);
    ASSERT_EQ(change(t, VT_DECIMAL, out), S_OK);
    EXPECT_EQ(out->decVal.sign, DECIMAL_NEG);
    Var five;
    five->vt = VT_I2;
    five->iVal = 5;
    ASSERT_EQ(change(five, VT_BOOL, out), S_OK);
    EXPECT_EQ(out->boolVal, VARIANT_TRUE);
    for (auto [word, value] : {std::pair{u"true", VARIANT_TRUE}, {u"False", VARIANT_FALSE}, {u"#TRUE#", VARIANT_TRUE},
                               {u"#FALSE#", VARIANT_FALSE}, {u"0", VARIANT_FALSE}, {u"-3", VARIANT_TRUE}}) {
        Var in = text(word);
        ASSERT_EQ(change(in, VT_BOOL, out), S_OK);
        EXPECT_EQ(out->boolVal, value);
    }
    for (std::u16string bad : {u"yes", u"#true#"}) {
        Var in = text(bad);
        EXPECT_EQ(change(in, VT_BOOL, out), DISP_E_TYPEMISMATCH);
    }
}

// A VT_BOOL is the number -1 or 0 as text; the words only when asked for,
// English ones with VARIANT_ALPHABOOL, the locale's with VARIANT_LOCALBOOL,
// which also reads them.
TEST(VariantChangeType, BooleansAreWordsOnlyWhenAsked)
{
    struct Case {
        USHORT flags;
        LCID lcid;
        bool value;
        std::u16string text;
    } cases[] = {{0, 0x0409, true, u"-1"},
                 {0, 0x0407, false, u"0"},
                 {VARIANT_ALPHABOOL, 0x0409, true, u"True"},
                 {VARIANT_ALPHABOOL, 0x040C, false, u"False"},
                 {VARIANT_LOCALBOOL, 0x040C, false, u"Faux"},
                 {VARIANT_ALPHABOOL | VARIANT_LOCALBOOL, 0x0407, true, u"Wahr"}};
    for (auto const& c : cases) {
        Var in = boolean(c.value), out;
        ASSERT_EQ(VariantChangeTypeEx(&out, &in, c.lcid, c.flags, VT_BSTR), S_OK);
        EXPECT_EQ(std::u16string(out->bstrVal), c.text);
    }
    Var faux = text(u"faux"), out;
    EXPECT_EQ(VariantChangeTypeEx(&out, &faux, 0x040C, 0, VT_BOOL), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(VariantChangeTypeEx(&out, &faux, 0x040C, VARIANT_LOCALBOOL, VT_BOOL), S_OK);
    EXPECT_EQ(out->boolVal, VARIANT_FALSE);
}

// Between integers of one width Windows keeps the bits rather than the
// value; between widths the value must fit.
TEST(VariantChangeType, SameWidthIntegersKeepTheirBits)
{
    struct Case {
        VARTYPE from;
        ULONGLONG value;
        VARTYPE to;
        ULONGLONG bits; // of the result's width
    } kept[] = {{VT_I1, ~0ull, VT_UI1, 0xFF},        {VT_UI1, 0xFF, VT_I1, 0xFF},
                {VT_I2, ~0ull, VT_UI2, 0xFFFF},      {VT_UI2, 0x8000, VT_I2, 0x8000},
                {VT_I4, ~0ull, VT_UI4, 0xFFFFFFFF},  {VT_UI4, 0xFFFFFFFF, VT_I4, 0xFFFFFFFF},
                {VT_INT, ~1ull, VT_UINT, 0xFFFFFFFE}, {VT_I8, ~0ull, VT_UI8, ~0ull},
                {VT_UI8, ~1ull, VT_I8, ~1ull}};
    for (auto const& c : kept) {
        Var in, out;
        in->vt = c.from;
        in->ullVal = c.value;
        ASSERT_EQ(change(in, c.to, out), S_OK) << c.from << " to " << c.to;
        EXPECT_EQ(out->ullVal, c.bits) << c.from << " to " << c.to;
    }
    for (auto [from, to] : {std::pair{VT_I2, VT_UI4}, {VT_I4, VT_UI2}, {VT_I4, VT_UI8}, {VT_I8, VT_UI4}}) {
        Var in, out;
        in->vt = from;
        in->llVal = -1;
        EXPECT_EQ(change(in, to, out), DISP_E_OVERFLOW) << from << " to " << to;
    }
}

TEST(VariantChangeType, CurrencyAndDecimalAreExact)
{
    Var r8 = number(1.23456), out;
    ASSERT_EQ(change(r8, VT_CY, out), S_OK);
    EXPECT_EQ(out->cyVal.int64, 12346);
    Var cy;
    cy->vt = VT_CY;
    cy->cyVal.int64 = 25000; // 2.5
    ASSERT_EQ(change(cy, VT_I4, out), S_OK);
    EXPECT_EQ(out->lVal, 2);
    cy->cyVal.int64 = -15000;
    EXPECT_EQ(textOf(cy), u"-1.5");

    Var dec = text(u"1.50");
    ASSERT_EQ(change(dec, VT_DECIMAL, out), S_OK);
    EXPECT_EQ(out->vt, VT_DECIMAL);
    EXPECT_EQ(out->decVal.Lo64, 150u);
    EXPECT_EQ(out->decVal.scale, 2);
    Var decimal;
    VariantCopy(&decimal, &out);
    EXPECT_EQ(textOf(decimal), u"1.5");
    ASSERT_EQ(change(decimal, VT_R8, out), S_OK);
    EXPECT_EQ(out->dblVal, 1.5);
    ASSERT_EQ(change(decimal, VT_CY, out), S_OK);
    EXPECT_EQ(out->cyVal.int64, 15000);

    Var tenth = number(0.1);
    ASSERT_EQ(change(tenth, VT_DECIMAL, out), S_OK);
    EXPECT_EQ(out->decVal.Lo64, 1u);
    EXPECT_EQ(out->decVal.scale, 1);
    Var max = text(u"79228162514264337593543950335");
    ASSERT_EQ(change(max, VT_DECIMAL, out), S_OK);
    EXPECT_EQ(out->decVal.Hi32, 0xFFFFFFFFu);
    Var over = text(u"79228162514264337593543950336");
    EXPECT_EQ(change(over, VT_DECIMAL, out), DISP_E_OVERFLOW);
    Var fine = text(u"0.00000000000000000000000000015");
    ASSERT_EQ(change(fine, VT_DECIMAL, out), S_OK);
    EXPECT_EQ(out->decVal.scale, 28);
    EXPECT_EQ(out->decVal.Lo64, 2u);
}

TEST(VariantChangeType, EmptyNullAndInvalidTypes)
{
    Var empty, out;
    ASSERT_EQ(change(empty, VT_I4, out), S_OK);
    EXPECT_EQ(out->lVal, 0);
    Var null;
    null->vt = VT_NULL;
    EXPECT_EQ(change(null, VT_I4, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(null, VT_BSTR, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(null, VT_EMPTY, out), DISP_E_TYPEMISMATCH);
    Var words = text(u"x"), day = number(1);
    day->vt = VT_DATE;
    for (VARIANT* any : {&empty, &null, &words, &day}) {
        ASSERT_EQ(VariantChangeType(&out, any, 0, VT_NULL), S_OK);
        EXPECT_EQ(out->vt, VT_NULL);
    }
    Var one = number(1);
    EXPECT_EQ(change(one, VARTYPE(15), out), DISP_E_BADVARTYPE);
    EXPECT_EQ(change(one, VT_I4 | VT_BYREF, out), DISP_E_BADVARTYPE);
    EXPECT_EQ(change(one, VT_DISPATCH, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(one, VT_ERROR, out), DISP_E_TYPEMISMATCH);
    Var bad;
    bad->vt = 0x7FFF;
    EXPECT_EQ(change(bad, VT_I4, out), DISP_E_BADVARTYPE);
    bad->vt = VT_EMPTY;
    EXPECT_EQ(VariantChangeType(nullptr, &one, 0, VT_I4), E_INVALIDARG);
    Var date = number(45000.5);
    ASSERT_EQ(change(date, VT_DATE, out), S_OK);
    EXPECT_EQ(out->date, 45000.5);
}

TEST(VariantChangeType, WorksInPlaceAndThroughReferences)
{
    Var v = text(u"12");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(v->vt, VT_I4);
    EXPECT_EQ(v->lVal, 12);

    LONG target = 7;
    Var ref, out;
    ref->vt = VT_I4 | VT_BYREF;
    ref->plVal = &target;
    ASSERT_EQ(change(ref, VT_R8, out), S_OK);
    EXPECT_EQ(out->dblVal, 7.0);

    // A failed conversion leaves the destination as it was.
    Var keep = text(u"kept"), bad = text(u"x");
    EXPECT_EQ(change(bad, VT_I4, keep), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(keep->vt, VT_BSTR);
}

TEST(VariantChangeType, ObjectsConvertThroughTheirDefaultValue)
{
    CountedDispatch object;
    Var seven;
    seven->vt = VT_I4;
    seven->lVal = 7;
    object.setValue(seven.v);
    {
        Var in, out;
        in->vt = VT_DISPATCH;
        in->pdispVal = &object;
        object.AddRef();
        ASSERT_EQ(change(in, VT_BSTR, out), S_OK);
        EXPECT_EQ(std::u16string(out->bstrVal), u"7");
        ASSERT_EQ(object.calls().size(), 1u);
        EXPECT_EQ(object.calls()[0].dispid, DISPID_VALUE);
        EXPECT_EQ(object.calls()[0].flags, DISPATCH_PROPERTYGET);
        EXPECT_EQ(VariantChangeType(&out, &in, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
        ASSERT_EQ(change(in, VT_UNKNOWN, out), S_OK);
        EXPECT_EQ(out->punkVal, object.unknown());
        // Null and empty ask nothing of the object.
        ASSERT_EQ(change(in, VT_NULL, out), S_OK);
        ASSERT_EQ(change(in, VT_EMPTY, out), S_OK);
        EXPECT_EQ(object.calls().size(), 1u);
        object.failInvoke(DISP_E_MEMBERNOTFOUND);
        EXPECT_EQ(change(in, VT_I4, out), DISP_E_MEMBERNOTFOUND);
        object.failQueryInterface();
        EXPECT_EQ(change(in, VT_I4, out), DISP_E_TYPEMISMATCH);
    }
    EXPECT_TRUE(object.balanced());
}

} // namespace
