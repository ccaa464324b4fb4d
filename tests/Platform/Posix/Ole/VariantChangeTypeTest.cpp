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

HRESULT change(Var& source, VARTYPE vt, Var& out)
{
    return VariantChangeType(&out, &source, 0, vt);
}

TEST(VariantChangeType, OutOfRangeOverflows)
{
    for (auto [value, vt] : {std::pair{1e10, VT_I4}, {255.5, VT_UI1}, {-1.0, VT_UI4}, {std::nan(""), VT_I8},
                             {1e300, VT_R4}, {INFINITY, VT_R4}, {-INFINITY, VT_R4}, {1e300, VT_CY},
                             {1e300, VT_DECIMAL}, {1e10, VT_DATE}}) {
        Var in = number(value), out;
        EXPECT_EQ(change(in, vt, out), DISP_E_OVERFLOW) << value << " to " << vt;
        EXPECT_EQ(out->vt, VT_EMPTY);
    }
    Var out;
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

// The DECIMAL's 96 bits and 28 places, to the last digit.
TEST(VariantChangeType, DecimalsKeepTheirLimits)
{
    Var out;
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
