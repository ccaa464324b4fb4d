#include "Platform/Posix/Ole/DispCallFunc.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Platform/Com.h"
#include "Support/CountedObject.h"

namespace {

// Signatures that cover each way the native convention passes a value:
// integer and floating-point registers, their overflow onto the stack,
// structures in registers (DECIMAL) and in memory (VARIANT), and the
// matching returns.
struct ICalls : IUnknown {
    STDMETHOD(Add)(LONG a, LONG b, LONG* sum) PURE;
    STDMETHOD_(DOUBLE, Mix)(CHAR c, BYTE b, SHORT s, USHORT us, LONG l, ULONG ul, LONGLONG ll, ULONGLONG ull,
                            FLOAT f, DOUBLE d, DATE date, VARIANT_BOOL flag) PURE;
    STDMETHOD_(FLOAT, Half)(FLOAT value) PURE;
    STDMETHOD_(VARIANT_BOOL, Negate)(VARIANT_BOOL value) PURE;
    STDMETHOD_(BSTR, Echo)(BSTR text) PURE;
    STDMETHOD(Inspect)(VARIANT value, IUnknown* object, LONG* vt, LONG* payload) PURE;
    STDMETHOD_(VARIANT, Wrap)(LONG value) PURE;
    STDMETHOD_(DECIMAL, Twice)(DECIMAL value) PURE;
    STDMETHOD_(CY, AddCy)(CY a, CY b) PURE;
    STDMETHOD(Fill)(LONG* number, BSTR* text, VARIANT* value) PURE;
    STDMETHOD_(void, Touch)() PURE;
    STDMETHOD_(CHAR, Low)(LONGLONG value) PURE;
    // Five integer arguments and the object fill the argument registers; a
    // sixth goes to the stack.
    STDMETHOD_(LONGLONG, Widen)(CHAR c, SHORT s, LONG l, BYTE b, USHORT us) PURE;
    STDMETHOD_(LONGLONG, WidenSix)(CHAR c, SHORT s, LONG l, BYTE b, USHORT us, LONGLONG h) PURE;
};

DEFINE_GUID(IID_ICalls, 0x5d0c2a61, 0x2b7e, 0x4f10, 0x9a, 0x33, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66);

} // namespace

OLE_DECLARE_UUIDOF(ICalls, IID_ICalls);

namespace {

// Byte offsets of the slots after IUnknown's three.
constexpr ULONG_PTR slot(int index) { return static_cast<ULONG_PTR>(3 + index) * sizeof(void*); }

class Calls : public qor::test::CountedObject<ICalls> {
public:
    STDMETHODIMP Add(LONG a, LONG b, LONG* sum) override {
        *sum = a + b;
        return a < 0 ? E_INVALIDARG : S_OK;
    }
    STDMETHODIMP_(DOUBLE) Mix(CHAR c, BYTE b, SHORT s, USHORT us, LONG l, ULONG ul, LONGLONG ll, ULONGLONG ull,
                              FLOAT f, DOUBLE d, DATE date, VARIANT_BOOL flag) override {
        return c + b + s + us + l + static_cast<double>(ul) + static_cast<double>(ll) + static_cast<double>(ull) +
               f + d + date + (flag ? 1000000.0 : 0.0);
    }
    STDMETHODIMP_(FLOAT) Half(FLOAT value) override { return value / 2; }
    STDMETHODIMP_(VARIANT_BOOL) Negate(VARIANT_BOOL value) override { return value ? VARIANT_FALSE : VARIANT_TRUE; }
    STDMETHODIMP_(BSTR) Echo(BSTR text) override { return text; }
    STDMETHODIMP Inspect(VARIANT value, IUnknown* object, LONG* vt, LONG* payload) override {
        *vt = value.vt;
        *payload = value.lVal;
        return object == unknown() ? S_OK : E_FAIL;
    }
    STDMETHODIMP_(VARIANT) Wrap(LONG value) override {
        VARIANT result{};
        result.vt = VT_I4;
        result.lVal = value;
        return result;
    }
    STDMETHODIMP_(DECIMAL) Twice(DECIMAL value) override {
        value.Lo64 *= 2;
        value.Hi32 *= 2;
        return value;
    }
    STDMETHODIMP_(CY) AddCy(CY a, CY b) override {
        CY sum;
        sum.int64 = a.int64 + b.int64;
        return sum;
    }
    STDMETHODIMP Fill(LONG* number, BSTR* text, VARIANT* value) override {
        *number += 1;
        *text = SysAllocString(u"filled");
        value->vt = VT_R8;
        value->dblVal = 2.5;
        return S_OK;
    }
    STDMETHODIMP_(void) Touch() override { ++touches; }
    STDMETHODIMP_(CHAR) Low(LONGLONG value) override { return static_cast<CHAR>(value); }
    STDMETHODIMP_(LONGLONG) Widen(CHAR c, SHORT s, LONG l, BYTE b, USHORT us) override { return c + s + l + b + us; }
    STDMETHODIMP_(LONGLONG) WidenSix(CHAR c, SHORT s, LONG l, BYTE b, USHORT us, LONGLONG h) override {
        return Widen(c, s, l, b, us) + h;
    }

    int touches = 0;
};

LONG WINAPI plainSum(LONG a, SHORT b, DOUBLE c) {
    return a + b + static_cast<LONG>(c);
}

LONG WINAPI sumOfTwenty(LONG a0, LONG a1, LONG a2, LONG a3, LONG a4, LONG a5, LONG a6, LONG a7, LONG a8, LONG a9,
                       LONG b0, LONG b1, LONG b2, LONG b3, LONG b4, LONG b5, LONG b6, LONG b7, LONG b8, LONG b9) {
    return a0 + a1 + a2 + a3 + a4 + a5 + a6 + a7 + a8 + a9 + 100 * (b0 + b1 + b2 + b3 + b4 + b5 + b6 + b7 + b8 + b9);
}

VARIANT variantOf(VARTYPE vt) {
    VARIANT v{};
    v.vt = vt;
    return v;
}

// Calls slot `index` of the object with the given argument types.
struct Invocation {
    std::vector<VARTYPE> types;
    std::vector<VARIANT> values;

    HRESULT call(void* instance, ULONG_PTR offset, VARTYPE returnType, VARIANT& result) {
        std::vector<VARIANTARG*> pointers;
        for (auto& value : values)
            pointers.push_back(&value);
        return DispCallFunc(instance, offset, CC_STDCALL, returnType, static_cast<UINT>(types.size()), types.data(),
                            pointers.data(), &result);
    }
    Invocation& add(VARTYPE type, VARIANT value) {
        types.push_back(type);
        values.push_back(value);
        return *this;
    }
};

VARIANT i4(LONG value) {
    VARIANT v = variantOf(VT_I4);
    v.lVal = value;
    return v;
}
VARIANT byref(VARTYPE vt, void* pointer) {
    VARIANT v = variantOf(static_cast<VARTYPE>(vt | VT_BYREF));
    v.byref = pointer;
    return v;
}

} // namespace

TEST(DispCallFunc, CallsThroughTheVtableAndReturnsTheHresultAsAnError) {
    Calls object;
    LONG sum = 0;
    VARIANT result = variantOf(VT_EMPTY);
    Invocation call;
    call.add(VT_I4, i4(40)).add(VT_I4, i4(2)).add(VT_I4 | VT_BYREF, byref(VT_I4, &sum));
    ASSERT_EQ(call.call(object.unknown(), slot(0), VT_HRESULT, result), S_OK);
    EXPECT_EQ(sum, 42);
    EXPECT_EQ(result.vt, VT_ERROR);
    EXPECT_EQ(result.scode, S_OK);

    call.values[0] = i4(-1);
    ASSERT_EQ(call.call(object.unknown(), slot(0), VT_HRESULT, result), S_OK);
    EXPECT_EQ(result.scode, E_INVALIDARG);
    EXPECT_TRUE(object.balanced());
}

TEST(DispCallFunc, PassesEveryScalarTypeInRegistersAndOnTheStack) {
    Calls object;
    Invocation call;
    auto value = [](VARTYPE vt, auto set) {
        VARIANT v = variantOf(vt);
        set(v);
        return v;
    };
    call.add(VT_I1, value(VT_I1, [](VARIANT& v) { v.cVal = -1; }))
        .add(VT_UI1, value(VT_UI1, [](VARIANT& v) { v.bVal = 200; }))
        .add(VT_I2, value(VT_I2, [](VARIANT& v) { v.iVal = -300; }))
        .add(VT_UI2, value(VT_UI2, [](VARIANT& v) { v.uiVal = 60000; }))
        .add(VT_I4, value(VT_I4, [](VARIANT& v) { v.lVal = -70000; }))
        .add(VT_UI4, value(VT_UI4, [](VARIANT& v) { v.ulVal = 4000000000u; }))
        .add(VT_I8, value(VT_I8, [](VARIANT& v) { v.llVal = -5000000000LL; }))
        .add(VT_UI8, value(VT_UI8, [](VARIANT& v) { v.ullVal = 6000000000ULL; }))
        .add(VT_R4, value(VT_R4, [](VARIANT& v) { v.fltVal = 0.5f; }))
        .add(VT_R8, value(VT_R8, [](VARIANT& v) { v.dblVal = 0.25; }))
        .add(VT_DATE, value(VT_DATE, [](VARIANT& v) { v.date = 0.125; }))
        .add(VT_BOOL, value(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }));
    VARIANT result = variantOf(VT_EMPTY);
    ASSERT_EQ(call.call(object.unknown(), slot(1), VT_R8, result), S_OK);
    EXPECT_EQ(result.vt, VT_R8);
    double const expected = -1 + 200 - 300 + 60000 - 70000 + 4000000000.0 - 5000000000.0 + 6000000000.0 + 0.5 +
                            0.25 + 0.125 + 1000000.0;
    EXPECT_DOUBLE_EQ(result.dblVal, expected);
}

TEST(DispCallFunc, ReturnsNarrowAndFloatingValuesWithTheirType) {
    Calls object;
    VARIANT result = variantOf(VT_EMPTY);

    Invocation half;
    half.add(VT_R4, [] { VARIANT v = variantOf(VT_R4); v.fltVal = 3.0f; return v; }());
    ASSERT_EQ(half.call(object.unknown(), slot(2), VT_R4, result), S_OK);
    EXPECT_EQ(result.vt, VT_R4);
    EXPECT_FLOAT_EQ(result.fltVal, 1.5f);

    Invocation negate;
    negate.add(VT_BOOL, [] { VARIANT v = variantOf(VT_BOOL); v.boolVal = VARIANT_FALSE; return v; }());
    ASSERT_EQ(negate.call(object.unknown(), slot(3), VT_BOOL, result), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    EXPECT_EQ(result.lVal & ~0xffff, 0) << "no bits of the wider register leak into the variant";

    Invocation low;
    low.add(VT_I8, [] { VARIANT v = variantOf(VT_I8); v.llVal = 0x1234567890ff; return v; }());
    ASSERT_EQ(low.call(object.unknown(), slot(11), VT_I1, result), S_OK);
    EXPECT_EQ(result.vt, VT_I1);
    EXPECT_EQ(result.cVal, -1);

    Invocation touch;
    ASSERT_EQ(touch.call(object.unknown(), slot(10), VT_EMPTY, result), S_OK);
    EXPECT_EQ(object.touches, 1);
    EXPECT_EQ(result.vt, VT_EMPTY);
}

TEST(DispCallFunc, IntegersKeepTheirSignWhetherTheyFitInRegistersOrNot) {
    Calls object;
    auto narrow = [](VARTYPE vt, LONG value) {
        VARIANT v = variantOf(vt);
        switch (vt) {
        case VT_I1: v.cVal = static_cast<CHAR>(value); break;
        case VT_I2: v.iVal = static_cast<SHORT>(value); break;
        case VT_UI1: v.bVal = static_cast<BYTE>(value); break;
        case VT_UI2: v.uiVal = static_cast<USHORT>(value); break;
        default: v.lVal = value; break;
        }
        return v;
    };
    Invocation five;
    five.add(VT_I1, narrow(VT_I1, -100))
        .add(VT_I2, narrow(VT_I2, -30000))
        .add(VT_I4, narrow(VT_I4, -2000000000))
        .add(VT_UI1, narrow(VT_UI1, 250))
        .add(VT_UI2, narrow(VT_UI2, 65000));
    LONGLONG const sum = -100 - 30000 - 2000000000LL + 250 + 65000;
    VARIANT result = variantOf(VT_EMPTY);
    ASSERT_EQ(five.call(object.unknown(), slot(12), VT_I8, result), S_OK);
    EXPECT_EQ(result.vt, VT_I8);
    EXPECT_EQ(result.llVal, sum);

    Invocation six = five;
    VARIANT big = variantOf(VT_I8);
    big.llVal = -(1LL << 40);
    six.add(VT_I8, big);
    ASSERT_EQ(six.call(object.unknown(), slot(13), VT_I8, result), S_OK);
    EXPECT_EQ(result.llVal, sum - (1LL << 40));
}

TEST(DispCallFunc, PassesPointersAndInterfacesWithoutTouchingTheirCounts) {
    Calls object;
    BSTR text = SysAllocString(u"hello");
    VARIANT result = variantOf(VT_EMPTY);

    Invocation echo;
    echo.add(VT_BSTR, [&] { VARIANT v = variantOf(VT_BSTR); v.bstrVal = text; return v; }());
    ASSERT_EQ(echo.call(object.unknown(), slot(4), VT_BSTR, result), S_OK);
    EXPECT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(result.bstrVal, text);

    LONG vt = 0, payload = 0;
    Invocation inspect;
    inspect.add(VT_VARIANT, i4(77))
        .add(VT_UNKNOWN, [&] { VARIANT v = variantOf(VT_UNKNOWN); v.punkVal = object.unknown(); return v; }())
        .add(VT_I4 | VT_BYREF, byref(VT_I4, &vt))
        .add(VT_I4 | VT_BYREF, byref(VT_I4, &payload));
    ASSERT_EQ(inspect.call(object.unknown(), slot(5), VT_HRESULT, result), S_OK);
    EXPECT_EQ(result.scode, S_OK);
    EXPECT_EQ(vt, VT_I4);
    EXPECT_EQ(payload, 77);

    SysFreeString(text);
    EXPECT_TRUE(object.balanced());
}

TEST(DispCallFunc, PassesAndReturnsStructures) {
    Calls object;
    VARIANT result = variantOf(VT_EMPTY);

    Invocation wrap;
    wrap.add(VT_I4, i4(-9));
    ASSERT_EQ(wrap.call(object.unknown(), slot(6), VT_VARIANT, result), S_OK);
    EXPECT_EQ(result.vt, VT_I4) << "a returned VARIANT keeps its own type";
    EXPECT_EQ(result.lVal, -9);

    VARIANT decimal{};
    decimal.decVal.Lo64 = 21;
    decimal.decVal.Hi32 = 3;
    decimal.decVal.scale = 2;
    decimal.decVal.sign = DECIMAL_NEG;
    Invocation twice;
    twice.add(VT_DECIMAL, decimal);
    ASSERT_EQ(twice.call(object.unknown(), slot(7), VT_DECIMAL, result), S_OK);
    EXPECT_EQ(result.vt, VT_DECIMAL);
    EXPECT_EQ(result.decVal.Lo64, 42u);
    EXPECT_EQ(result.decVal.Hi32, 6u);
    EXPECT_EQ(result.decVal.scale, 2);
    EXPECT_EQ(result.decVal.sign, DECIMAL_NEG);

    VARIANT a = variantOf(VT_CY), b = variantOf(VT_CY);
    a.cyVal.int64 = 15000;
    b.cyVal.int64 = -2500;
    Invocation addCy;
    addCy.add(VT_CY, a).add(VT_CY, b);
    ASSERT_EQ(addCy.call(object.unknown(), slot(8), VT_CY, result), S_OK);
    EXPECT_EQ(result.vt, VT_CY);
    EXPECT_EQ(result.cyVal.int64, 12500);
}

TEST(DispCallFunc, FillsByReferenceArguments) {
    Calls object;
    LONG number = 41;
    BSTR text = nullptr;
    VARIANT value = variantOf(VT_EMPTY);
    VARIANT result = variantOf(VT_EMPTY);
    Invocation fill;
    fill.add(VT_I4 | VT_BYREF, byref(VT_I4, &number))
        .add(VT_BSTR | VT_BYREF, byref(VT_BSTR, &text))
        .add(VT_VARIANT | VT_BYREF, byref(VT_VARIANT, &value));
    ASSERT_EQ(fill.call(object.unknown(), slot(9), VT_HRESULT, result), S_OK);
    EXPECT_EQ(number, 42);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string_view(text, SysStringLen(text)), u"filled");
    EXPECT_EQ(value.vt, VT_R8);
    SysFreeString(text);
}

TEST(DispCallFunc, CallsPlainFunctions) {
    Invocation call;
    call.add(VT_I4, i4(1)).add(VT_I2, [] { VARIANT v = variantOf(VT_I2); v.iVal = 2; return v; }());
    call.add(VT_R8, [] { VARIANT v = variantOf(VT_R8); v.dblVal = 3.9; return v; }());
    VARIANT result = variantOf(VT_EMPTY);
    ASSERT_EQ(call.call(nullptr, reinterpret_cast<ULONG_PTR>(&plainSum), VT_I4, result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 6);
}

TEST(DispCallFunc, PassesLongArgumentLists) {
    Invocation call;
    for (LONG i = 1; i <= 20; ++i)
        call.add(VT_I4, i4(i));
    VARIANT result = variantOf(VT_EMPTY);
    ASSERT_EQ(call.call(nullptr, reinterpret_cast<ULONG_PTR>(&sumOfTwenty), VT_I4, result), S_OK);
    EXPECT_EQ(result.lVal, 55 + 100 * 155);
}

TEST(DispCallFunc, RefusesWhatItCannotCall) {
    Calls object;
    VARIANT result = variantOf(VT_EMPTY);
    Invocation none;
    EXPECT_EQ(none.call(nullptr, 0, VT_I4, result), E_INVALIDARG) << "no function";
    EXPECT_EQ(none.call(object.unknown(), slot(0) + 1, VT_I4, result), E_INVALIDARG) << "misaligned slot";
    EXPECT_EQ(DispCallFunc(object.unknown(), slot(10), CC_MAX, VT_EMPTY, 0, nullptr, nullptr, &result), E_INVALIDARG);
    EXPECT_EQ(DispCallFunc(object.unknown(), slot(10), CC_STDCALL, VT_EMPTY, 0, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(DispCallFunc(object.unknown(), slot(10), CC_STDCALL, VT_EMPTY, 1, nullptr, nullptr, &result),
              E_INVALIDARG);
    EXPECT_EQ(none.call(object.unknown(), slot(10), VT_RECORD, result), DISP_E_BADVARTYPE);

    Invocation badArgument;
    badArgument.add(VT_RECORD, variantOf(VT_RECORD));
    EXPECT_EQ(badArgument.call(object.unknown(), slot(10), VT_EMPTY, result), DISP_E_BADVARTYPE);
    Invocation voidArgument;
    voidArgument.add(VT_EMPTY, variantOf(VT_EMPTY));
    EXPECT_EQ(voidArgument.call(object.unknown(), slot(10), VT_EMPTY, result), DISP_E_BADVARTYPE);

    VARTYPE type = VT_I4;
    VARIANTARG* missing = nullptr;
    EXPECT_EQ(DispCallFunc(object.unknown(), slot(10), CC_STDCALL, VT_EMPTY, 1, &type, &missing, &result),
              E_INVALIDARG);
    EXPECT_EQ(object.touches, 0) << "nothing was called";
}
