// VariantChangeType beyond the matrix of values, types and locales that the
// differential check compares with Wine's oleaut32 (tests/Differential):
// limits, texts Wine reads differently, references, objects and bad types.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "Platform/Com.h"
#include "Support/CountedObject.h"

namespace {

using qor::test::CountedDispatch;

HRESULT change(_variant_t const& source, VARTYPE vt, _variant_t& out)
{
    return VariantChangeType(&out, &source, 0, vt);
}

std::string narrow(std::u16string const& text)
{
    return std::string(text.begin(), text.end());
}

// What a conversion made, as text, or how it failed; a failure leaves the
// destination empty.
std::u16string converted(_variant_t const& source, VARTYPE vt)
{
    _variant_t out, text;
    HRESULT const hr = change(source, vt, out);
    if (FAILED(hr) && out.vt != VT_EMPTY)
        return u"<failed, not empty>";
    if (hr == DISP_E_OVERFLOW || hr == DISP_E_TYPEMISMATCH)
        return hr == DISP_E_OVERFLOW ? u"<overflow>" : u"<mismatch>";
    if (FAILED(hr) || FAILED(change(out, VT_BSTR, text)))
        return u"<failed>";
    return text.bstrVal;
}

// Limits to the last digit, and texts as Windows reads numbers: As VB reads
// &HFFFF as the Integer -1, hexadecimal and octal numbers keep their bits in
// an integer with room for them.
TEST(VariantChangeType, LimitsAndTextsAsWindowsReadsThem)
{
    struct Case {
        _variant_t in;
        VARTYPE vt;
        std::u16string result;
    } const cases[] = {
        {std::nan(""), VT_I8, u"<overflow>"},        {double(INFINITY), VT_R4, u"<overflow>"},
        {double(-INFINITY), VT_R4, u"<overflow>"},   {1e300, VT_CY, u"<overflow>"},
        {1e300, VT_DECIMAL, u"<overflow>"},          {1e10, VT_DATE, u"<overflow>"},
        {u"2147483648", VT_I4, u"<overflow>"},       {u"2147483648", VT_UI4, u"2147483648"},
        {u"1e400", VT_R8, u"<overflow>"},            {u"1e-400", VT_R8, u"0"},
        // The DECIMAL's 96 bits and 28 places.
        {u"79228162514264337593543950335", VT_DECIMAL, u"79228162514264337593543950335"},
        {u"79228162514264337593543950336", VT_DECIMAL, u"<overflow>"},
        {u"0.00000000000000000000000000015", VT_DECIMAL, u"0.0000000000000000000000000002"},
        // More places than a DECIMAL holds: not zero, though nearest to it.
        {u"0.00000000000000000000000000001", VT_BOOL, u"-1"},
        {u"0.00000000000000000000000000001", VT_DECIMAL, u"0"},
        {u"12$", VT_I4, u"12"},                      {u"(5)", VT_I4, u"-5"},
        {u"($ 5)", VT_I4, u"-5"},                    {u"5-", VT_I4, u"-5"},
        {u"5 +", VT_I4, u"5"},                       {u"&HFFFF", VT_I2, u"-1"},
        {u"&O177777", VT_I2, u"-1"},                 {u"&HFFFF", VT_I4, u"65535"},
        {u"&HFFFFFFFF", VT_I4, u"-1"},               {u"&H10000", VT_I2, u"<overflow>"},
    };
    for (auto const& c : cases)
        EXPECT_EQ(converted(c.in, c.vt), c.result) << narrow(converted(c.in, VT_BSTR)) << " to " << c.vt;
    for (std::u16string bad : {u"12abc", u"1e", u"--1", u"-5-", u"(5", u"5)", u"$$5"})
        EXPECT_EQ(converted(bad.c_str(), VT_I4), u"<mismatch>") << narrow(bad);
    _variant_t out;
    // Read as the nearest double, which digit-by-digit accumulation misses.
    for (auto [digits, value] : {std::pair{u"0.1", 0.1}, {u"1e-29", 1e-29}, {u"2.2250738585072014e-308", 0x1p-1022}}) {
        ASSERT_EQ(change(digits, VT_R8, out), S_OK);
        EXPECT_EQ(out.dblVal, value);
    }
    // Words of the locale are read as booleans only with VARIANT_LOCALBOOL.
    _variant_t const faux(u"faux");
    EXPECT_EQ(VariantChangeTypeEx(&out, &faux, 0x040C, 0, VT_BOOL), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(VariantChangeTypeEx(&out, &faux, 0x040C, VARIANT_LOCALBOOL, VT_BOOL), S_OK);
    EXPECT_EQ(out.boolVal, VARIANT_FALSE);
    VARIANT null{};
    null.vt = VT_BSTR;
    EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_I4), DISP_E_TYPEMISMATCH) << "a null BSTR";
}

// One case of each rule the differential check compares in full, so that
// this suite alone still reaches it.
TEST(VariantChangeType, RulesTheDifferentialCheckComparesInFull)
{
    _variant_t out, yes(true), minusOne(LONG(-1)), empty, null;
    null.vt = VT_NULL;
    for (auto [flags, lcid, text] : {std::tuple{USHORT(0), 0x0409u, u"-1"}, {VARIANT_ALPHABOOL, 0x040Cu, u"True"},
                                     {VARIANT_LOCALBOOL, 0x0407u, u"Wahr"}}) {
        ASSERT_EQ(VariantChangeTypeEx(&out, &yes, lcid, flags, VT_BSTR), S_OK);
        EXPECT_EQ(std::u16string(out.bstrVal), text) << "booleans are words only when asked";
    }
    ASSERT_EQ(change(minusOne, VT_UI4, out), S_OK);
    EXPECT_EQ(out.ulVal, 0xFFFFFFFFu) << "the same width keeps the bits";
    EXPECT_EQ(change(minusOne, VT_UI8, out), DISP_E_OVERFLOW) << "another width keeps the value";
    ASSERT_EQ(change(empty, VT_I4, out), S_OK);
    EXPECT_EQ(out.lVal, 0);
    EXPECT_EQ(change(null, VT_I4, out), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(change(minusOne, VT_NULL, out), S_OK);
}

// Every numeric type as source and as target once: the same width keeps the
// bits, another width keeps the value or overflows, currency and DECIMAL
// carry their fractions.
TEST(VariantChangeType, EachNumericTypeConvertsWithinItsRange)
{
    struct Case {
        VARTYPE from;
        ULONGLONG bits;
        VARTYPE to;
        HRESULT hr;
        ULONGLONG result; // of the result's width
    } const cases[] = {
        {VT_I1, ~0ull, VT_UI1, S_OK, 0xFF},          {VT_UI1, 0xFF, VT_I1, S_OK, 0xFF},
        {VT_I2, ~0ull, VT_UI2, S_OK, 0xFFFF},        {VT_UI2, 0x8000, VT_I2, S_OK, 0x8000},
        {VT_UI2, 0x100, VT_UI1, DISP_E_OVERFLOW, 0}, {VT_I2, 0x80, VT_I1, DISP_E_OVERFLOW, 0},
        {VT_INT, ~1ull, VT_UINT, S_OK, 0xFFFFFFFE},  {VT_UI8, ~1ull, VT_I8, S_OK, ~1ull},
        {VT_BOOL, 0xFFFF, VT_I2, S_OK, 0xFFFF},      {VT_I4, 3, VT_BOOL, S_OK, 0xFFFF},
        {VT_I4, 2, VT_CY, S_OK, 20000},              {VT_I4, 2, VT_RECORD, DISP_E_TYPEMISMATCH, 0},
    };
    for (auto const& c : cases) {
        VARIANT in{};
        in.vt = c.from;
        in.ullVal = c.bits;
        _variant_t out;
        ASSERT_EQ(VariantChangeType(&out, &in, 0, c.to), c.hr) << c.from << " to " << c.to;
        ULONGLONG const width = c.to == VT_I1 || c.to == VT_UI1 ? 0xFF
                                : c.to == VT_I2 || c.to == VT_UI2 || c.to == VT_BOOL ? 0xFFFF
                                : c.to == VT_CY || c.to == VT_I8 ? ~0ull : 0xFFFFFFFF;
        if (c.hr == S_OK) {
            EXPECT_EQ(out.ullVal & width, c.result) << c.from << " to " << c.to;
        }
    }
    _variant_t out, half(u"0.5");
    ASSERT_EQ(change(half, VT_DECIMAL, out), S_OK);
    _variant_t const decimal(out);
    ASSERT_EQ(change(decimal, VT_CY, out), S_OK);
    EXPECT_EQ(out.cyVal.int64, 5000);
    ASSERT_EQ(change(out, VT_R8, out), S_OK);
    EXPECT_EQ(out.dblVal, 0.5);
    ASSERT_EQ(change(_variant_t(45000.75, VT_DATE), VT_I4, out), S_OK);
    EXPECT_EQ(out.lVal, 45001);
    _variant_t const empty;
    EXPECT_EQ(change(empty, VT_DISPATCH, out), DISP_E_TYPEMISMATCH) << "no value is no object";
}

TEST(VariantChangeType, InvalidTypesReferencesAndInPlace)
{
    _variant_t out, one(1.0);
    EXPECT_EQ(change(one, VARTYPE(15), out), DISP_E_BADVARTYPE);
    EXPECT_EQ(change(one, VT_I4 | VT_BYREF, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(one, VT_CLSID, out), DISP_E_BADVARTYPE);
    EXPECT_EQ(change(one, VT_DISPATCH, out), DISP_E_TYPEMISMATCH);
    VARIANT bad{};
    bad.vt = 0x7FFF;
    EXPECT_EQ(VariantChangeType(&out, &bad, 0, VT_I4), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(nullptr, &one, 0, VT_I4), E_INVALIDARG);
    _variant_t const date(45000.5, VT_DATE);
    ASSERT_EQ(change(date, VT_DATE, out), S_OK);
    EXPECT_EQ(out.date, 45000.5);

    _variant_t v(u"12");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 12);
    LONG target = 7;
    VARIANT ref{};
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &target;
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_R8), S_OK);
    EXPECT_EQ(out.dblVal, 7.0);
    // A failed conversion leaves the destination as it was.
    _variant_t keep(u"kept");
    EXPECT_EQ(change(u"x", VT_I4, keep), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(keep.vt, VT_BSTR);
}

TEST(VariantChangeType, ObjectsConvertThroughTheirDefaultValue)
{
    CountedDispatch object;
    object.setValue(_variant_t(7));
    {
        _variant_t in(static_cast<IDispatch*>(&object)), out;
        ASSERT_EQ(change(in, VT_BSTR, out), S_OK);
        EXPECT_EQ(std::u16string(out.bstrVal), u"7");
        ASSERT_EQ(object.calls().size(), 1u);
        EXPECT_EQ(object.calls()[0].dispid, DISPID_VALUE);
        EXPECT_EQ(object.calls()[0].flags, DISPATCH_PROPERTYGET);
        EXPECT_EQ(VariantChangeType(&out, &in, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
        ASSERT_EQ(change(in, VT_UNKNOWN, out), S_OK);
        EXPECT_EQ(out.punkVal, object.unknown());
        // Null and empty ask nothing of the object.
        ASSERT_EQ(change(in, VT_NULL, out), S_OK);
        ASSERT_EQ(change(in, VT_EMPTY, out), S_OK);
        EXPECT_EQ(object.calls().size(), 1u);
        object.failInvoke(DISP_E_MEMBERNOTFOUND);
        EXPECT_EQ(change(in, VT_I4, out), DISP_E_TYPEMISMATCH);
        // A bare IUnknown has no default value to ask for.
        _variant_t unknown(object.unknown());
        EXPECT_EQ(change(unknown, VT_I4, out), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(object.calls().size(), 2u);
    }
    EXPECT_TRUE(object.balanced());
}

} // namespace
