// The sample's objects on their own, as an automation client without any
// engine sees them: through IDispatch, described by the sample's own type
// library.

#include "Examples/Spreadsheet/SpreadsheetHost.h"

#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/DispatchArguments.h"
#include "Platform/Windows/Com/OleText.h"
#include "Support/CountedEnumVariant.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::test::spreadsheet {
namespace {

using platform::windows::com::ComRef;
using platform::windows::com::oleFromUtf8;
using platform::windows::com::OleString;
using platform::windows::com::utf8FromOle;

// What a failed call describes, freed with the test.
struct Exception {
    EXCEPINFO info{};
    ~Exception() {
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrHelpFile);
    }
};

class SpreadsheetObjectsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(host.registration, S_OK); }
    void TearDown() override {
        application.reset();
        EXPECT_EQ(liveObjectCount(), 0);
    }

    // A new object of a registered class, with the test's reference.
    ComRef<IDispatch> create(std::string_view className) {
        auto const index = host.classes.indexOf(className);
        EXPECT_TRUE(index.has_value());
        IUnknown* object = platform::windows::com::createObject(*host.classes.getFromIndex(*index), nullptr);
        ComRef<IUnknown> unknown(object);
        ComRef<IDispatch> dispatch;
        EXPECT_EQ(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())), S_OK);
        return dispatch;
    }

    // Calls the member called `name`, found as a client finds it.
    HRESULT call(IDispatch* object, std::string_view name, WORD flags, DispatchArguments& arguments,
                 EXCEPINFO* error = nullptr) {
        OleString const wide = oleFromUtf8(name);
        LPOLESTR names[] = {const_cast<LPOLESTR>(wide.c_str())};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << name;
        DISPPARAMS* params = flags == DISPATCH_PROPERTYPUT ? arguments.forPut() : arguments.params();
        return object->Invoke(id, IID_NULL, 0, flags, params, &arguments.result, error, nullptr);
    }

    // The object a property or method gives.
    ComRef<IDispatch> object(IDispatch* from, std::string_view name, std::initializer_list<_variant_t> args = {}) {
        DispatchArguments arguments(args);
        EXPECT_EQ(call(from, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments), S_OK) << name;
        EXPECT_EQ(arguments.result.vt, VT_DISPATCH) << name;
        return ComRef<IDispatch>(std::exchange(arguments.result.pdispVal, nullptr));
    }

    // Application.Sum of one argument.
    HRESULT sum(VARIANT const& values, double& total, std::string* description = nullptr) {
        DispatchArguments arguments{_variant_t(values)};
        Exception error;
        HRESULT const hr = call(application.get(), "Sum", DISPATCH_METHOD, arguments, &error.info);
        if (SUCCEEDED(hr))
            total = arguments.result.dblVal;
        if (description != nullptr)
            *description = utf8FromOle(error.info.bstrDescription);
        return hr;
    }

    SpreadsheetHost& host = SpreadsheetHost::instance();
    ComRef<IDispatch> application = create("Application");
};

// Every element of every dimension counts; VARIANT elements may be arrays
// themselves, of any element type.
TEST_F(SpreadsheetObjectsTest, SumAddsTheElementsOfSafeArraysOfEveryShape) {
    _variant_t doubles;
    doubles.vt = VT_ARRAY | VT_R8;
    doubles.parray = SafeArrayCreateVector(VT_R8, 5, 3);
    for (LONG i = 5; i < 8; ++i) {
        double value = i * 0.5;
        SafeArrayPutElement(doubles.parray, &i, &value);
    }
    SAFEARRAYBOUND bounds[] = {{2, 0}, {3, 1}};
    _variant_t grid;
    grid.vt = VT_ARRAY | VT_VARIANT;
    grid.parray = SafeArrayCreate(VT_VARIANT, 2, bounds);
    LONG values = 1;
    for (LONG column = 1; column <= 3; ++column)
        for (LONG row = 0; row < 2; ++row) {
            LONG index[] = {row, column};
            _variant_t element = row == 1 && column == 3 ? doubles : _variant_t(values++);
            SafeArrayPutElement(grid.parray, index, &element);
        }
    double total = 0;
    ASSERT_EQ(sum(grid, total), S_OK);
    EXPECT_EQ(total, 1 + 2 + 3 + 4 + 5 + 9.0);
}

TEST_F(SpreadsheetObjectsTest, SumWalksEnumerableObjectsAndGivesBackEveryReference) {
    CountedEnumVariant items({_variant_t(1.5), _variant_t(static_cast<LONG>(2)), _variant_t()});
    CountedDispatch collection;
    collection.onInvoke([&](DISPID dispid, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) -> HRESULT {
        if (dispid != DISPID_NEWENUM)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_UNKNOWN;
        result->punkVal = items.unknown();
        items.AddRef();
        return S_OK;
    });
    double total = 0;
    ASSERT_EQ(sum(_variant_t(static_cast<IDispatch*>(&collection)), total), S_OK);
    EXPECT_EQ(total, 3.5);
    EXPECT_TRUE(collection.balanced()) << collection.refCount();
    EXPECT_TRUE(items.balanced()) << items.refCount();

    // An enumerator handed over itself is walked from where it stands.
    items.Reset();
    ASSERT_EQ(sum(_variant_t(items.unknown()), total), S_OK);
    EXPECT_EQ(total, 3.5);
    EXPECT_TRUE(items.balanced()) << items.refCount();

    items.Reset();
    items.failNext(E_UNEXPECTED);
    std::string description;
    EXPECT_EQ(sum(_variant_t(items.unknown()), total, &description), DISP_E_EXCEPTION);
    EXPECT_EQ(description, "Sum: the collection cannot be walked");
    EXPECT_TRUE(items.balanced()) << items.refCount();
}

TEST_F(SpreadsheetObjectsTest, CollectionEnumeratorsMeetItemsAddedMeanwhileAndHoldTheirCollection) {
    auto sheets = object(object(application.get(), "ActiveWorkbook").get(), "Sheets");
    DispatchArguments none{};
    ASSERT_EQ(call(sheets.get(), "_NewEnum", DISPATCH_PROPERTYGET, none), S_OK);
    ASSERT_EQ(none.result.vt, VT_UNKNOWN);
    ComRef<IEnumVARIANT> enumerator;
    ASSERT_EQ(none.result.punkVal->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(enumerator.put())), S_OK);
    DispatchArguments extra{_variant_t("Extra")};
    ASSERT_EQ(call(sheets.get(), "Add", DISPATCH_METHOD, extra), S_OK);
    // The enumerator keeps the collection, which keeps the workbook.
    long const withCollection = liveObjectCount();
    sheets.reset();
    EXPECT_EQ(liveObjectCount(), withCollection);

    ComRef<IEnumVARIANT> copy;
    ASSERT_EQ(enumerator->Clone(copy.put()), S_OK);
    VARIANT batch[3];
    ULONG fetched = 9;
    EXPECT_EQ(enumerator->Next(3, batch, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    for (ULONG i = 0; i < fetched; ++i) {
        EXPECT_EQ(batch[i].vt, VT_DISPATCH);
        VariantClear(&batch[i]);
    }
    EXPECT_EQ(enumerator->Skip(1), S_FALSE);
    EXPECT_EQ(copy->Skip(2), S_OK);
    EXPECT_EQ(copy->Next(1, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

TEST_F(SpreadsheetObjectsTest, ObjectArgumentsOfAnotherKindAreRefusedWithoutKeepingThem) {
    auto point = create("Point");
    CountedDispatch stranger;
    {
        DispatchArguments arguments{_variant_t(static_cast<IDispatch*>(&stranger))};
        EXPECT_EQ(call(point.get(), "DistanceTo", DISPATCH_METHOD, arguments), DISP_E_TYPEMISMATCH);
    }
    EXPECT_TRUE(stranger.balanced()) << stranger.refCount();
}

} // namespace
} // namespace qor::test::spreadsheet
