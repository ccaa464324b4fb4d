#include "Platform/Posix/Ole/Dispatch/DispCallFunc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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
    STDMETHODIMP Add(LONG a, LONG b, LONG* sum) override { *sum = a + b; return a < 0 ? E_INVALIDARG : S_OK; }
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

VARIANT variantOf(VARTYPE vt) {
    VARIANT v{};
    v.vt = vt;
    return v;
}

// An integer of any width, stored in the low bytes as a VARIANT keeps it.
VARIANT integer(VARTYPE vt, LONGLONG value) {
    VARIANT v = variantOf(vt);
    v.llVal = value;
    return v;
}
VARIANT real(VARTYPE vt, double value) {
    VARIANT v = variantOf(vt);
    if (vt == VT_R4)
        v.fltVal = static_cast<FLOAT>(value);
    else
        v.dblVal = value;
    return v;
}
VARIANT byref(VARTYPE vt, void* pointer) {
    VARIANT v = variantOf(static_cast<VARTYPE>(vt | VT_BYREF));
    v.byref = pointer;
    return v;
}

// Calls `function` (a vtable offset, or a plain function without an object)
// with the given types, or else the arguments' own.
HRESULT call(void* object, ULONG_PTR function, VARTYPE returnType, std::vector<VARIANT> args, VARIANT& result,
             std::vector<VARTYPE> types = {}) {
    std::vector<VARIANTARG*> pointers;
    for (auto& value : args) {
        if (types.size() == pointers.size())
            types.push_back(value.vt);
        pointers.push_back(&value);
    }
    return DispCallFunc(object, function, CC_STDCALL, returnType, static_cast<UINT>(types.size()), types.data(),
                        pointers.data(), &result);
}

} // namespace

// One row per way the native convention passes or returns a value; what the
// by-reference arguments received is checked after the rows.
TEST(DispCallFunc, PassesAndReturnsEveryKindOfValue) {
    Calls object;
    VARIANT decimal = variantOf(VT_DECIMAL), twice = variantOf(VT_DECIMAL);
    decimal.decVal.Lo64 = 21;
    decimal.decVal.Hi32 = 3;
    decimal.decVal.scale = twice.decVal.scale = 2;
    decimal.decVal.sign = twice.decVal.sign = DECIMAL_NEG;
    twice.decVal.Lo64 = 42;
    twice.decVal.Hi32 = 6;
    std::vector<VARIANT> const five = {integer(VT_I1, -100), integer(VT_I2, -30000), integer(VT_I4, -2000000000),
                                       integer(VT_UI1, 250), integer(VT_UI2, 65000)};
    LONGLONG const fiveSum = -100 - 30000 - 2000000000LL + 250 + 65000;
    std::vector<VARIANT> six = five;
    six.push_back(integer(VT_I8, -(1LL << 40)));
    // Pointers and interfaces pass as they are, their counts untouched.
    _bstr_t const hello(u"hello");
    VARIANT echo = variantOf(VT_BSTR);
    echo.bstrVal = static_cast<BSTR>(static_cast<OLECHAR*>(hello));
    VARIANT self = variantOf(VT_UNKNOWN);
    self.punkVal = object.unknown();
    LONG sum = 0, vt = 0, payload = 0, number = 41;
    _bstr_t filled;
    _variant_t value;
    void* const calls = object.unknown();
    struct Case {
        char const* what;
        void* object;
        ULONG_PTR function;
        VARTYPE returns;
        std::vector<VARIANT> args;
        VARIANT expected;
        std::vector<VARTYPE> types; // when not the arguments' own
    } const cases[] = {
        {"an HRESULT as VT_ERROR", calls, slot(0), VT_ERROR,
         {integer(VT_I4, 40), integer(VT_I4, 2), byref(VT_I4, &sum)}, integer(VT_ERROR, S_OK)},
        {"a failure HRESULT as a value", calls, slot(0), VT_ERROR,
         {integer(VT_I4, -1), integer(VT_I4, 2), byref(VT_I4, &sum)}, integer(VT_ERROR, E_INVALIDARG)},
        {"every scalar, in registers and on the stack", calls, slot(1), VT_R8,
         {integer(VT_I1, -1), integer(VT_UI1, 200), integer(VT_I2, -300), integer(VT_UI2, 60000),
          integer(VT_I4, -70000), integer(VT_UI4, 4000000000LL), integer(VT_I8, -5000000000LL),
          integer(VT_UI8, 6000000000LL), real(VT_R4, 0.5), real(VT_R8, 0.25), real(VT_DATE, 0.125),
          integer(VT_BOOL, VARIANT_TRUE)},
         real(VT_R8, -1 + 200 - 300 + 60000 - 70000 + 4000000000.0 - 5000000000.0 + 6000000000.0 + 0.5 + 0.25 +
                         0.125 + 1000000.0)},
        {"a float", calls, slot(2), VT_R4, {real(VT_R4, 3.0)}, real(VT_R4, 1.5)},
        {"a VARIANT_BOOL", calls, slot(3), VT_BOOL, {integer(VT_BOOL, VARIANT_FALSE)}, integer(VT_BOOL, VARIANT_TRUE)},
        {"a CHAR cut from a register", calls, slot(11), VT_I1, {integer(VT_I8, 0x1234567890ff)}, integer(VT_I1, -1)},
        {"nothing", calls, slot(10), VT_EMPTY, {}, variantOf(VT_EMPTY)},
        {"signed narrow integers in registers", calls, slot(12), VT_I8, five, integer(VT_I8, fiveSum)},
        {"signed narrow integers beside one on the stack", calls, slot(13), VT_I8, six,
         integer(VT_I8, fiveSum - (1LL << 40))},
        {"a VARIANT returned in memory keeps its own type", calls, slot(6), VT_VARIANT, {integer(VT_I4, -9)},
         integer(VT_I4, -9)},
        // Its first bytes, where a VARIANT keeps its type, are the DECIMAL's own.
        {"a DECIMAL both ways", calls, slot(7), VT_DECIMAL, {decimal}, twice, {VT_DECIMAL}},
        {"a CY both ways", calls, slot(8), VT_CY, {integer(VT_CY, 15000), integer(VT_CY, -2500)},
         integer(VT_CY, 12500)},
        {"a BSTR, the same text back", calls, slot(4), VT_BSTR, {echo}, echo},
        {"a VARIANT passed whole: its type VT_VARIANT, its value a VT_I4", calls, slot(5), VT_ERROR,
         {integer(VT_I4, 77), self, byref(VT_I4, &vt), byref(VT_I4, &payload)}, integer(VT_ERROR, S_OK), {VT_VARIANT}},
        {"by-reference arguments filled", calls, slot(9), VT_ERROR,
         {byref(VT_I4, &number), byref(VT_BSTR, filled.GetAddress()), byref(VT_VARIANT, &value)},
         integer(VT_ERROR, S_OK)},
        {"a plain function", nullptr, reinterpret_cast<ULONG_PTR>(&plainSum), VT_I4,
         {integer(VT_I4, 1), integer(VT_I2, 2), real(VT_R8, 3.9)}, integer(VT_I4, 6)},
    };
    for (auto const& c : cases) {
        VARIANT result = variantOf(VT_EMPTY);
        ASSERT_EQ(call(c.object, c.function, c.returns, c.args, result, c.types), S_OK) << c.what;
        EXPECT_TRUE(_variant_t(c.expected) == result) << c.what;
        if (c.returns == VT_BOOL) {
            EXPECT_EQ(result.lVal & ~0xffff, 0) << "no wider bits";
        }
    }
    EXPECT_EQ((std::vector<LONG>{sum, object.touches, vt, payload, number}), (std::vector<LONG>{1, 1, VT_I4, 77, 42}));
    EXPECT_EQ(filled, _bstr_t(u"filled"));
    EXPECT_EQ(value.vt, VT_R8);
    EXPECT_TRUE(object.balanced());
}

TEST(DispCallFunc, RefusesWhatItCannotCall) {
    Calls object;
    VARIANT result = variantOf(VT_EMPTY);
    EXPECT_EQ(call(nullptr, 0, VT_I4, {}, result), E_INVALIDARG) << "no function";
    EXPECT_EQ(call(object.unknown(), slot(0) + 1, VT_I4, {}, result), E_INVALIDARG) << "misaligned slot";
    EXPECT_EQ(DispCallFunc(object.unknown(), slot(10), CC_MAX, VT_EMPTY, 0, nullptr, nullptr, &result), E_INVALIDARG);
    EXPECT_EQ(DispCallFunc(object.unknown(), slot(10), CC_STDCALL, VT_EMPTY, 0, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(DispCallFunc(object.unknown(), slot(10), CC_STDCALL, VT_EMPTY, 1, nullptr, nullptr, &result),
              E_INVALIDARG);
    EXPECT_EQ(call(object.unknown(), slot(10), VT_RECORD, {}, result), DISP_E_BADVARTYPE);
    EXPECT_EQ(call(object.unknown(), slot(10), VT_EMPTY, {variantOf(VT_RECORD)}, result), DISP_E_BADVARTYPE);
    EXPECT_EQ(call(object.unknown(), slot(10), VT_EMPTY, {variantOf(VT_VOID)}, result), DISP_E_BADVARTYPE);
    // An HRESULT is asked for as VT_ERROR; VT_HRESULT is no VARIANT type.
    result = variantOf(VT_I2);
    EXPECT_EQ(call(object.unknown(), slot(10), VT_HRESULT, {}, result), E_INVALIDARG);
    EXPECT_EQ(result.vt, VT_I2) << "the result is left as it was";
    VARTYPE type = VT_I4;
    VARIANTARG* missing = nullptr;
    EXPECT_EQ(DispCallFunc(object.unknown(), slot(10), CC_STDCALL, VT_EMPTY, 1, &type, &missing, &result),
              E_INVALIDARG);
    EXPECT_EQ(object.touches, 0) << "nothing was called";
}
