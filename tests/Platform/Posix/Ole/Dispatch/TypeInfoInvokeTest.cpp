// ITypeInfo::Invoke calls C++ objects through their vtables as the fixture
// library describes them, coercing arguments as Windows does and balancing
// every reference and string.

#include "Platform/Posix/Ole/Dispatch/FixtureInterfaces.h"
#include "Support/CountedObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

namespace qor::test {
namespace {

std::u16string textOf(BSTR b) { return b == nullptr ? std::u16string() : std::u16string(b, SysStringLen(b)); }

// An object called through its vtable only: its IDispatch answers nothing.
template <class Interface, class... More>
class VtableObject : public CountedObject<Interface, More...> {
public:
    // IDispatch is a base of Interface, which CountedObject does not look for.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualGUID(riid, IID_IDispatch))
            return CountedObject<Interface, More...>::QueryInterface(riid, ppv);
        *ppv = static_cast<IDispatch*>(static_cast<Interface*>(this));
        this->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
};

class Shape : public VtableObject<IShape> {
public:
    STDMETHODIMP get_Name(BSTR* name) override { *name = SysAllocString(u"square"); return S_OK; }
    STDMETHODIMP get_Area(DOUBLE* area) override { *area = 4.0; return S_OK; }
};

BSTR bstrOf(std::u16string const& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

// ICalc implemented the usual way: IDispatch answered by the type info
// through DispGetIDsOfNames and DispInvoke.
class Calculator : public VtableObject<ICalc, ISupportErrorInfo> {
public:
    explicit Calculator(ITypeInfo* info) : info_(info) { VariantInit(&item_); }
    ~Calculator() override {
        VariantClear(&item_);
        if (target_ != nullptr)
            target_->Release();
    }

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return DispGetIDsOfNames(info_, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                        UINT* argErr) override {
        return DispInvoke(static_cast<ICalc*>(this), info_, id, flags, params, result, excep, argErr);
    }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualGUID(riid, uuidof<ICalc>()) && supportsErrorInfo ? S_OK : S_FALSE;
    }

    STDMETHODIMP Add(LONG a, LONG b, LONG* result) override { *result = a + b; return S_OK; }
    STDMETHODIMP Concat(BSTR a, BSTR b, BSTR* result) override {
        if (failConcat)
            return E_OUTOFMEMORY; // leaves *result unwritten
        *result = bstrOf(textOf(a) + textOf(b));
        return S_OK;
    }
    STDMETHODIMP Scale(DOUBLE value, SHORT factor, DOUBLE* result) override { *result = value * factor; return S_OK; }
    STDMETHODIMP Defaults(LONG n, BSTR s, LONG big, VARIANT_BOOL flag, BSTR* result) override {
        *result = bstrOf(string::utf8ToUtf16(std::to_string(n) + "|" + string::utf16ToUtf8(textOf(s)) + "|" +
                                             std::to_string(big) + "|" + std::to_string(flag)));
        return S_OK;
    }
    STDMETHODIMP Optional(VARIANT first, VARIANT second, VARIANT* result) override {
        lastFirst = first.vt;
        return VariantCopy(result, &second);
    }
    STDMETHODIMP get_Value(LONG* value) override { *value = value_; return S_OK; }
    STDMETHODIMP put_Value(LONG value) override { value_ = value; return S_OK; }
    STDMETHODIMP get_Item(LONG index, VARIANT* value) override {
        return index == itemIndex_ ? VariantCopy(value, &item_) : DISP_E_BADINDEX;
    }
    STDMETHODIMP put_Item(LONG index, VARIANT value) override {
        itemIndex_ = index;
        return VariantCopy(&item_, &value);
    }
    STDMETHODIMP get_Target(IDispatch** value) override {
        if (target_ != nullptr)
            target_->AddRef();
        *value = target_;
        return S_OK;
    }
    STDMETHODIMP putref_Target(IDispatch* value) override {
        if (value != nullptr)
            value->AddRef();
        if (target_ != nullptr)
            target_->Release();
        target_ = value;
        return S_OK;
    }
    STDMETHODIMP Swap(LONG* a, BSTR* b) override {
        *a = -*a;
        return SysReAllocString(b, u"swapped") ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP Sum(SAFEARRAY* values, LONG* total) override {
        LONG* data = nullptr;
        SafeArrayAccessData(values, reinterpret_cast<void**>(&data));
        *total = std::accumulate(data, data + values->rgsabound[0].cElements, LONG{0});
        return SafeArrayUnaccessData(values);
    }
    STDMETHODIMP Unknown(IUnknown* object, IUnknown** same) override {
        if (object != nullptr)
            object->AddRef();
        *same = object;
        return S_OK;
    }
    STDMETHODIMP Shape(IShape* shape, IShape** same) override {
        shapeArea = 0;
        if (shape != nullptr) {
            shape->get_Area(&shapeArea);
            shape->AddRef();
        }
        *same = shape;
        return S_OK;
    }
    STDMETHODIMP Paint(LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP Fail(LONG code) override {
        if (withErrorInfo) {
            ICreateErrorInfo* create = nullptr;
            CreateErrorInfo(&create);
            create->SetDescription(const_cast<LPOLESTR>(u"it failed"));
            create->SetSource(const_cast<LPOLESTR>(u"Calculator"));
            Ref<IErrorInfo> error;
            create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(error.put()));
            SetErrorInfo(0, error.get());
            create->Release();
        }
        return static_cast<HRESULT>(code);
    }
    STDMETHODIMP Nothing() override {
        DISPPARAMS none{};
        return ++nothingCalls < nestedCalls ? Invoke(15, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr)
                                            : S_OK;
    }
    STDMETHODIMP Secret(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP Mixed(BYTE b, SHORT s, FLOAT f, ULONG u, DATE d, VARIANT_BOOL v, LONGLONG h, DOUBLE* sum) override {
        *sum = b + s + f + u + d + v + static_cast<double>(h);
        return S_OK;
    }

    bool withErrorInfo = false;
    bool failConcat = false;
    bool supportsErrorInfo = true;
    int nothingCalls = 0;
    int nestedCalls = 0; // Nothing calls itself through Invoke until this many calls were made
    VARTYPE lastFirst = VT_EMPTY;
    DOUBLE shapeArea = 0;

private:
    ITypeInfo* info_;
    LONG value_ = 0;
    LONG itemIndex_ = -1;
    VARIANT item_;
    IDispatch* target_ = nullptr;
};

// An argument that refers to `target`.
_variant_t ref(VARTYPE vt, void* target) {
    VARIANT v{};
    v.vt = static_cast<VARTYPE>(VT_BYREF | vt);
    v.byref = target;
    return _variant_t(v, false);
}

// An object argument given as `vt`.
_variant_t object(IUnknown* object, VARTYPE vt) {
    _variant_t v(object);
    v.vt = vt;
    return v;
}

// A call of `name` with its arguments in the order a caller writes them; the
// last of them may be named by `named`, in the same order.
struct Call {
    char16_t const* name;
    WORD flags;
    std::vector<_variant_t> args = {};
    std::vector<DISPID> named = {};

    // DISPPARAMS holds the arguments last first: reverses them in place, so
    // once per call.
    DISPPARAMS params() {
        std::reverse(args.begin(), args.end());
        std::reverse(named.begin(), named.end());
        return {args.data(), named.data(), static_cast<UINT>(args.size()), static_cast<UINT>(named.size())};
    }
};

class TypeInfoInvokeTest : public ::testing::Test {
protected:
    void SetUp() override {
        lib = loadFixture("QorFixture.tlb");
        ext = loadFixture("QorFixtureExt.tlb");
        ASSERT_TRUE(lib && ext);
        info = typeInfoOf(lib.get(), uuidof<ICalc>());
        ASSERT_TRUE(info);
        calc = std::make_unique<Calculator>(info.get());
    }
    void TearDown() override {
        clearException();
        EXPECT_TRUE(calc->balanced()) << calc->refCount();
    }
    void clearException() {
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        excep = {};
    }

    HRESULT invoke(Call call) {
        std::u16string text(call.name);
        LPOLESTR names[] = {text.data()};
        DISPID id = DISPID_UNKNOWN;
        calc->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        result.Clear();
        argErr = 99;
        DISPPARAMS params = call.params();
        return calc->Invoke(id, IID_NULL, 0, call.flags, &params, &result, &excep, &argErr);
    }
    // A call through `view` straight to the vtable of `object`.
    HRESULT invoke(ITypeInfo* view, void* object, MEMBERID id, WORD flags, std::vector<_variant_t> args) {
        result.Clear();
        Call call{nullptr, flags, std::move(args)};
        DISPPARAMS params = call.params();
        return view->Invoke(object, id, flags, &params, &result, nullptr, nullptr);
    }

    Ref<ITypeLib> lib, ext;
    Ref<ITypeInfo> info;
    std::unique_ptr<Calculator> calc;
    _variant_t result;
    EXCEPINFO excep{};
    UINT argErr = 0;
};

// Each call as a script makes it: arguments in the caller's order, coerced
// to the declared types, optional ones filled from their defaults, references
// written back. What Invoke works out for a member is kept, so the rows run in
// order and each call must start from the declaration again: positional after
// named arguments, defaults after given ones.
TEST_F(TypeInfoInvokeTest, CallsCoerceArgumentsAndFillDefaults) {
    WORD const method = DISPATCH_METHOD;
    SAFEARRAY* values = SafeArrayCreateVector(VT_I4, 0, 3);
    for (LONG i = 0; i < 3; ++i) {
        LONG element = (i + 1) * 10;
        SafeArrayPutElement(values, &i, &element);
    }
    VARIANT array{};
    array.vt = VT_ARRAY | VT_I4;
    array.parray = values;
    CY three{};
    three.int64 = 30000;
    LONG number = 5;
    BSTR text = SysAllocString(u"before");
    calc->nestedCalls = 3; // Nothing calls itself through Invoke twice
    struct Case {
        Call call;
        char16_t const* result; // as text
    } const cases[] = {
        {{u"Add", method, {10, 3}, {1, 0}}, u"13"}, // b = 10, a = 3, by name
        {{u"Add", method, {2, 3}}, u"5"},
        {{u"add", method | DISPATCH_PROPERTYGET, {2, 3}}, u"5"}, // as script engines ask
        {{u"Add", method, {u"12", 2.5}}, u"14"},                   // 2.5 rounds to even
        {{u"Concat", method, {4, u"2"}}, u"42"},
        {{u"Scale", method, {2.0}}, u"6"},
        {{u"Scale", method, {2.0, 4}}, u"8"},
        {{u"Defaults", method}, u"7|abc|-100000|-1"},
        {{u"Defaults", method, {1}}, u"1|abc|-100000|-1"},
        {{u"Defaults", method, {u"xyz"}, {1}}, u"7|xyz|-100000|-1"},
        {{u"Defaults", method}, u"7|abc|-100000|-1"},
        {{u"Swap", method, {5, u"kept"}}, u""},
        {{u"Swap", method, {ref(VT_I4, &number), ref(VT_BSTR, &text)}}, u""},
        // 3 as currency, taken as an unsigned long.
        {{u"Mixed", method, {1, u"2", 0.5, three, 10.0, -1, 1000}}, u"1015.5"},
        {{u"Sum", method, {array}}, u"60"},
        {{u"Nothing", method}, u""},
    };
    for (auto const& c : cases) {
        ASSERT_EQ(invoke(c.call), S_OK) << string::utf16ToUtf8(c.call.name);
        EXPECT_EQ(textOf(_bstr_t(result)), c.result) << string::utf16ToUtf8(c.call.name);
    }
    SafeArrayDestroy(values);
    EXPECT_EQ(number, -5);
    EXPECT_EQ(textOf(text), u"swapped");
    SysFreeString(text);
    EXPECT_EQ(calc->nothingCalls, 3);
    ASSERT_EQ(invoke({u"Optional", method, {1}}), S_OK);
    EXPECT_EQ(calc->lastFirst, VT_I4);
    EXPECT_EQ(result.vt, VT_ERROR);
    EXPECT_EQ(result.scode, DISP_E_PARAMNOTFOUND);
}

// argErr counts from the last argument, as rgvarg holds them.
TEST_F(TypeInfoInvokeTest, BadCallsAreRefusedAndNameTheArgument) {
    WORD const method = DISPATCH_METHOD;
    struct Case {
        Call call;
        HRESULT hr;
        UINT argErr;
    } const cases[] = {
        {{u"Add", method, {1, u"abc"}}, DISP_E_TYPEMISMATCH, 0},
        {{u"Add", method, {u"abc", 1}}, DISP_E_TYPEMISMATCH, 1}, // not the last call's
        {{u"Add", method, {1e10, 1}}, DISP_E_OVERFLOW, 1},
        {{u"Add", method, {1, 2, 3}}, DISP_E_BADPARAMCOUNT, 99},
        {{u"Add", method, {1}}, DISP_E_BADPARAMCOUNT, 99},
        {{u"Add", DISPATCH_PROPERTYPUT, {1}}, DISP_E_MEMBERNOTFOUND, 99},
        {{u"Add", method, {1, 2}, {7}}, DISP_E_PARAMNOTFOUND, 0},
        {{u"Sum", method, {1}}, DISP_E_TYPEMISMATCH, 0},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(invoke(c.call), c.hr) << string::utf16ToUtf8(c.call.name);
        EXPECT_EQ(argErr, c.argErr) << string::utf16ToUtf8(c.call.name);
    }
    DISPPARAMS none{};
    EXPECT_EQ(calc->Invoke(12345, IID_NULL, 0, method, &none, &result, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(info->Invoke(calc.get(), 1, method, nullptr, &result, nullptr, nullptr), E_INVALIDARG);
}

// Any automation client may name the members a dual interface inherits:
// their names resolve, as on Windows, but calling them would let a caller
// release the object under its owner, so they and the other restricted
// members are not found. The count must be what the test holds.
TEST_F(TypeInfoInvokeTest, RestrictedMembersAreNamedButNeverCalled) {
    CountedDispatch target;
    {
        Call const calls[] = {
            {u"Release", DISPATCH_METHOD},
            {u"AddRef", DISPATCH_METHOD | DISPATCH_PROPERTYGET},
            {u"QueryInterface", DISPATCH_METHOD, {object(target.unknown(), VT_UNKNOWN), ref(VT_UNKNOWN, nullptr)}},
            {u"Secret", DISPATCH_METHOD, {ref(VT_I4, nullptr)}},
        };
        for (Call const& call : calls) {
            std::u16string text(call.name);
            LPOLESTR names[] = {text.data()};
            DISPID id = DISPID_UNKNOWN;
            EXPECT_EQ(calc->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << string::utf16ToUtf8(call.name);
            EXPECT_EQ(invoke(call), DISP_E_MEMBERNOTFOUND) << string::utf16ToUtf8(call.name);
            EXPECT_EQ(calc->refCount(), 1) << string::utf16ToUtf8(call.name);
        }
    }
    EXPECT_TRUE(target.balanced()) << target.refCount();
}

TEST_F(TypeInfoInvokeTest, ObjectArgumentsAreAskedForTheDeclaredInterfaceAndBalanced) {
    CountedDispatch target; // no shape
    Shape shape;
    {
        ASSERT_EQ(invoke({u"Target", DISPATCH_PROPERTYPUTREF, {object(target.unknown(), VT_DISPATCH)},
                          {DISPID_PROPERTYPUT}}),
                  S_OK);
        ASSERT_EQ(invoke({u"Target", DISPATCH_PROPERTYGET}), S_OK);
        EXPECT_TRUE(result == object(target.unknown(), VT_DISPATCH));
        ASSERT_EQ(invoke({u"Unknown", DISPATCH_METHOD, {object(target.unknown(), VT_UNKNOWN)}}), S_OK);
        ASSERT_EQ(result.vt, VT_UNKNOWN);
        ASSERT_EQ(invoke({u"Shape", DISPATCH_METHOD, {object(shape.unknown(), VT_DISPATCH)}}), S_OK);
        EXPECT_EQ(calc->shapeArea, 4.0);
        EXPECT_EQ(result.vt, VT_DISPATCH);
        EXPECT_EQ(invoke({u"Shape", DISPATCH_METHOD, {object(target.unknown(), VT_DISPATCH)}}), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(argErr, 0u);
    }
    calc.reset(new Calculator(info.get())); // drops the target it held
    EXPECT_TRUE(target.balanced()) << target.refCount();
    EXPECT_TRUE(shape.balanced()) << shape.refCount();
}

// An error object set by the method gives the exception its text, unless
// the object disowns error objects for the interface; either way the call
// takes it.
TEST_F(TypeInfoInvokeTest, FailedMethodBecomesAnException) {
    for (auto [withErrorInfo, supports, description] :
         {std::tuple{false, true, u""}, {true, true, u"it failed"}, {true, false, u""}}) {
        calc->withErrorInfo = withErrorInfo;
        calc->supportsErrorInfo = supports;
        EXPECT_EQ(invoke({u"Fail", DISPATCH_METHOD, {static_cast<LONG>(E_ACCESSDENIED)}}), DISP_E_EXCEPTION);
        EXPECT_EQ(excep.scode, E_ACCESSDENIED);
        EXPECT_EQ(textOf(excep.bstrDescription), description);
        EXPECT_EQ(textOf(excep.bstrSource), supports && withErrorInfo ? u"Calculator" : u"");
        IErrorInfo* left = nullptr;
        EXPECT_EQ(GetErrorInfo(0, &left), S_FALSE);
        clearException();
    }
    calc->failConcat = true;
    EXPECT_EQ(invoke({u"Concat", DISPATCH_METHOD, {u"a", u"b"}}), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_OUTOFMEMORY);
    EXPECT_EQ(result.vt, VT_EMPTY);
}

TEST_F(TypeInfoInvokeTest, DispinterfaceMembersGoThroughTheObjectsIDispatch) {
    Ref<ITypeInfo> events = typeInfoOf(lib.get(), fixtureGuid(0x06));
    CountedDispatch sink;
    sink.onInvoke([](DISPID id, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*) {
        return id == 2 && params->cArgs == 1 ? S_OK : E_FAIL;
    });
    Call call{nullptr, DISPATCH_METHOD, {7}};
    DISPPARAMS args = call.params();
    EXPECT_EQ(events->Invoke(sink.unknown(), 2, DISPATCH_METHOD, &args, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(sink.calls().size(), 1u);
    EXPECT_TRUE(sink.balanced());
}

// A shape whose IDispatch belongs to another object, as a tear-off or a
// second base class gives it: only a QueryInterface for IShape yields its
// IShape.
class ShapeWithSeparateDispatch : public Shape {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualGUID(riid, IID_IDispatch))
            return dispatch.QueryInterface(riid, ppv);
        return Shape::QueryInterface(riid, ppv);
    }
    CountedDispatch dispatch;
};

class ShapeHolder : public CountedObject<IShapeHolder> {
public:
    STDMETHODIMP Exchange(IShape** shape) override { received = *shape; return S_OK; }
    IShape* received = nullptr;
};

MEMBERID memberOf(ITypeInfo* info, char16_t const* name) {
    std::u16string text(name);
    LPOLESTR names[] = {text.data()};
    MEMBERID id = MEMBERID_NIL;
    info->GetIDsOfNames(names, 1, &id);
    return id;
}

// IShapeHolder::Exchange through `info`, given `shape` as an IUnknown.
HRESULT exchange(ITypeInfo* info, ShapeHolder& holder, IUnknown* shape, UINT* argErr = nullptr) {
    VARIANT arg{};
    arg.vt = VT_UNKNOWN;
    arg.punkVal = shape;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    return info->Invoke(static_cast<IShapeHolder*>(&holder), memberOf(info, u"Exchange"), DISPATCH_METHOD, &params,
                        nullptr, nullptr, argErr);
}

// What Invoke works out for a member is kept, so these make sure it never
// serves another kind, view, type or library, nor holds anything of a call.

// The get, put and putref of one property each take their own arguments.
TEST_F(TypeInfoInvokeTest, EachKindOfOneIdKeepsItsOwnParameters) {
    EXPECT_EQ(invoke({u"Item", DISPATCH_PROPERTYGET, {3}}), DISP_E_EXCEPTION) << "nothing stored at 3 yet";
    EXPECT_EQ(excep.scode, DISP_E_BADINDEX);
    ASSERT_EQ(invoke({u"Item", DISPATCH_PROPERTYPUT, {3, u"three"}, {DISPID_PROPERTYPUT}}), S_OK);
    ASSERT_EQ(invoke({u"Item", DISPATCH_PROPERTYGET, {3}}), S_OK);
    EXPECT_EQ(textOf(result.bstrVal), u"three");
    EXPECT_EQ(invoke({u"Item", DISPATCH_PROPERTYPUT, {3}}), DISP_E_BADPARAMCOUNT) << "the put wants the value too";

    Call const put{u"Value", DISPATCH_PROPERTYPUT, {8}, {DISPID_PROPERTYPUT}};
    for (LONG round = 0; round < 2; ++round) {
        ASSERT_EQ(invoke(put), S_OK);
        ASSERT_EQ(invoke({u"Value", DISPATCH_METHOD | DISPATCH_PROPERTYGET}), S_OK);
        EXPECT_TRUE(result == _variant_t(8));
    }
    EXPECT_EQ(invoke({u"Value", DISPATCH_PROPERTYPUTREF, {8}, {DISPID_PROPERTYPUT}}), DISP_E_MEMBERNOTFOUND);
}

class Circle : public VtableObject<ICircle> {
public:
    STDMETHODIMP get_Name(BSTR* name) override { *name = SysAllocString(u"circle"); return S_OK; }
    STDMETHODIMP get_Area(DOUBLE* area) override { *area = 12.5; return S_OK; }
    STDMETHODIMP get_Radius(DOUBLE* radius) override { *radius = 2.0; return S_OK; }
};

// Both views of the dual ICalc call the same members; id 1 is Area in both
// shape types of two libraries, Add in the calculator. Twice, so that the
// second round runs on what the first worked out.
TEST_F(TypeInfoInvokeTest, ViewsTypesAndLibrariesKeepTheirOwnMembers) {
    Ref<ITypeInfo> vtable = implTypeOf(info.get(), -1);
    Ref<ITypeInfo> shapeInfo = typeInfoOf(lib.get(), uuidof<IShape>());
    Ref<ITypeInfo> circleInfo = typeInfoOf(ext.get(), uuidof<ICircle>());
    ASSERT_TRUE(vtable && shapeInfo && circleInfo);
    Circle circle;
    void* const object = static_cast<ICalc*>(calc.get());
    struct Case {
        ITypeInfo* view;
        void* object;
        MEMBERID id;
        WORD flags;
        double result; // or minus the failure
    } const cases[] = {
        {vtable.get(), object, 1, DISPATCH_METHOD, 5},
        {info.get(), object, 1, DISPATCH_METHOD, 5},
        {vtable.get(), object, 6, DISPATCH_PROPERTYGET, 0},
        {circleInfo.get(), static_cast<ICircle*>(&circle), 1, DISPATCH_PROPERTYGET, 12.5},
        {shapeInfo.get(), static_cast<IShape*>(&circle), 1, DISPATCH_PROPERTYGET, 12.5},
        {circleInfo.get(), static_cast<ICircle*>(&circle), 2, DISPATCH_PROPERTYGET, 2.0},
        {shapeInfo.get(), static_cast<IShape*>(&circle), 2, DISPATCH_PROPERTYGET, -DISP_E_MEMBERNOTFOUND},
    };
    for (int round = 0; round < 2; ++round) {
        for (auto const& c : cases) {
            std::vector<_variant_t> args;
            if (c.flags == DISPATCH_METHOD)
                args = {2, 3};
            HRESULT const hr = invoke(c.view, c.object, c.id, c.flags, std::move(args));
            _variant_t number;
            if (SUCCEEDED(hr))
                VariantChangeType(&number, &result, 0, VT_R8);
            EXPECT_EQ(SUCCEEDED(hr) ? number.dblVal : -hr, c.result) << round << ": " << c.id;
        }
    }
    EXPECT_TRUE(circle.balanced());
}

// The [in, out] IShape* is asked of the object for IShape, never taken as
// its IDispatch.
TEST(TypeInfoInvoke, AMemberIsPlannedAgainUntilTheTypesItNamesAreFound) {
    Ref<ITypeLib> lib = loadCopies("qor-invoke-import-found-later", {"QorFixtureExt.tlb"});
    ASSERT_TRUE(lib);
    Ref<ITypeInfo> info = typeInfoOf(lib.get(), uuidof<IShapeHolder>());
    ASSERT_TRUE(info);
    ShapeHolder holder;
    ShapeWithSeparateDispatch shape;
    UINT argErr = 99;
    EXPECT_EQ(exchange(info.get(), holder, shape.unknown(), &argErr), DISP_E_BADVARTYPE)
        << "IShape is in a library not there yet";
    EXPECT_EQ(argErr, 0u);

    std::filesystem::copy_file(string::utf16ToUtf8(fixturePath("QorFixture.tlb")),
                               std::filesystem::temp_directory_path() / "qor-invoke-import-found-later/QorFixture.tlb");
    ASSERT_EQ(exchange(info.get(), holder, shape.unknown()), S_OK);
    EXPECT_EQ(holder.received, static_cast<IShape*>(&shape));
    EXPECT_TRUE(shape.balanced()) << shape.refCount();
    EXPECT_TRUE(shape.dispatch.balanced()) << shape.dispatch.refCount();
    EXPECT_TRUE(holder.balanced());
}

// DECIMAL fills a VARIANT from its first byte, where other values start
// after the type.
class Money : public CountedObject<IMoney> {
public:
    STDMETHODIMP Half(DECIMAL value, DECIMAL* half) override {
        DECIMAL made{}; // its wReserved, zero, lands where the VARIANT keeps its type
        made.scale = value.scale;
        made.Lo64 = value.Lo64 / 2;
        *half = made;
        return S_OK;
    }
    STDMETHODIMP Grow(DECIMAL* value) override {
        seen = *value;
        value->Lo64 += 1;
        return S_OK;
    }
    DECIMAL seen{};
};

TEST_F(TypeInfoInvokeTest, DecimalResultsAndReferencesKeepTheirValue) {
    Ref<ITypeInfo> moneyInfo = typeInfoOf(ext.get(), uuidof<IMoney>());
    ASSERT_TRUE(moneyInfo);
    Money money;
    auto* object = static_cast<IMoney*>(&money);
    ASSERT_EQ(invoke(moneyInfo.get(), object, memberOf(moneyInfo.get(), u"Half"), DISPATCH_METHOD, {10.5}), S_OK);
    DECIMAL half{}; // 105 tenths, halved and cut
    half.Lo64 = 52;
    half.scale = 1;
    EXPECT_TRUE(result == _variant_t(half));

    // An argument of another type reaches an [in, out] DECIMAL converted.
    ASSERT_EQ(invoke(moneyInfo.get(), object, memberOf(moneyInfo.get(), u"Grow"), DISPATCH_METHOD, {7}), S_OK);
    EXPECT_EQ(money.seen.Lo64, 7u);
    EXPECT_EQ(money.seen.scale, 0);
    EXPECT_TRUE(money.balanced());
}

class Clock : public VtableObject<IClock> {
public:
    STDMETHODIMP get_Name(BSTR* name) override { *name = SysAllocString(u"clock"); return S_OK; }
    STDMETHODIMP get_Area(DOUBLE* area) override { *area = 0.0; return S_OK; }
    STDMETHODIMP Format(LONG value, LONG locale, LONG width, BSTR* text) override {
        seen = {value, locale, width};
        *text = SysAllocString(u"12:00");
        return S_OK;
    }
    std::vector<LONG> seen;
};

// An [lcid] parameter is Invoke's to fill: the dispatch view neither shows
// nor names it, and an argument named after it still finds its parameter.
TEST(TypeInfoInvoke, TheLocaleParameterIsFilledNotShown) {
    Ref<ITypeLib> ext = loadFixture("QorFixtureExt.tlb");
    ASSERT_TRUE(ext);
    Ref<ITypeInfo> view = typeInfoOf(ext.get(), uuidof<IClock>());
    ASSERT_TRUE(view);
    BSTR names[4] = {};
    UINT count = 0;
    ASSERT_EQ(view->GetNames(3, names, 4, &count), S_OK);
    std::u16string joined;
    for (UINT i = 0; i < count; ++i) {
        joined += textOf(names[i]) + u" ";
        SysFreeString(names[i]);
    }
    EXPECT_EQ(joined, u"Format value width ");

    std::u16string format = u"Format", width = u"width";
    LPOLESTR query[] = {format.data(), width.data()};
    MEMBERID ids[2] = {};
    ASSERT_EQ(view->GetIDsOfNames(query, 2, ids), S_OK);
    Clock clock;
    VARIANT args[2] = {};
    args[0].vt = args[1].vt = VT_I4;
    args[0].lVal = 3; // named: width
    args[1].lVal = 5; // value
    DISPPARAMS params{args, &ids[1], 2, 1};
    _variant_t result;
    ASSERT_EQ(view->Invoke(static_cast<IClock*>(&clock), ids[0], DISPATCH_METHOD, &params, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(clock.seen, (std::vector<LONG>{5, static_cast<LONG>(LOCALE_USER_DEFAULT), 3}));
    EXPECT_EQ(textOf(result.bstrVal), u"12:00");
    EXPECT_TRUE(clock.balanced());
}

} // namespace
} // namespace qor::test
