// `new Item(...)` through the class's "New"/"New2" methods, and the older
// `Item.New(...)`.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Assert/Assert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

using assert::AssertInfo;
using assert::ScopedAssertSink;

class ConstructorTest : public BindingTest {
protected:
    ConstructorTest() {
        itemCreator.onInvoke([this](DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            calls.push_back(dispid);
            argumentTypes.clear();
            for (UINT i = 0; i < params->cArgs; ++i)
                argumentTypes.push_back(params->rgvarg[i].vt);
            if (flags != DISPATCH_METHOD)
                return E_FAIL;
            if (failure != S_OK)
                return failure;
            if (returnNumber) {
                result->vt = VT_I4;
                return S_OK;
            }
            return handOut(result, &made);
        });
    }
    ~ConstructorTest() override {
        // The creator object lives for one call: every construction gave it back.
        expectBalancedAfterTeardown(made, itemCreator);
    }

    TypedDispatch made{host.typeInfo(iidItem)};
    std::vector<DISPID> calls;
    std::vector<VARTYPE> argumentTypes;
    HRESULT failure = S_OK;
    bool returnNumber = false;
};

TEST_F(ConstructorTest, TheFirstOverloadThatTakesTheArgumentsIsCalledWithThemReversed) {
    EXPECT_EQ(run("new Item('a') instanceof Item"), "true");
    EXPECT_EQ(run("var first = new Item('a'); new Item(first, 2); new Item(); new Item(5); calls = 0"), "0");
    EXPECT_EQ(calls, (std::vector<DISPID>{itemNew, itemNew, itemNew2, itemNew, itemNew}));
    // New2's object parameter takes the wrapper as its COM object.
    run("new Item(new Item('a'), 2.5)");
    EXPECT_EQ(argumentTypes, (std::vector<VARTYPE>{VT_R8, VT_DISPATCH}));
    EXPECT_EQ(thrown("new Item(first, 2, 3)"), "No matching constructor found.");
    EXPECT_EQ(thrown("new Item(null, 1)"), "No matching constructor found.");
    EXPECT_EQ(thrown("new Item([1], 'two', 3)"), "No matching constructor found.");
    EXPECT_EQ(thrown("new Item({}, 2)"),
              "Item: argument 1 cannot be passed to COM: script objects other than arrays and COM objects have no "
              "COM form");
}

TEST_F(ConstructorTest, TheNewObjectIsTheWrapperAndOnePointerStaysOneObject) {
    EXPECT_EQ(run("var a = new Item('a'), b = new Item('b'); a === b"), "true");
    EXPECT_EQ(made.refCount(), 2);
    collectGarbage();
    EXPECT_EQ(made.refCount(), 2);
    run("a = b = null");
    collectGarbage();
    EXPECT_TRUE(made.balanced()) << made.refCount();
}

TEST_F(ConstructorTest, FailuresOfTheConstructionAreThrown) {
    failure = DISP_E_TYPEMISMATCH;
    EXPECT_EQ(thrown("new Item('a')"), "Type mismatch.");
    failure = S_OK;
    returnNumber = true;
    EXPECT_EQ(thrown("new Item('a')"), "calling a constructor should always return an object.");
    returnNumber = false;
    EXPECT_EQ(thrown("new Items()"), "No matching constructor found.");
    EXPECT_EQ(thrown("new IItem('a')"), "Invalid COM class.");
    EXPECT_EQ(thrown("new IItem(1, 2, 3)"), "No matching constructor found.");
    host.itemCreator = nullptr;
    EXPECT_EQ(thrown("new Item('a')"), "COM object creation failed.");
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(ConstructorTest, CallingTheConstructorWithoutNewIsRefused) {
    std::vector<std::string> asserts;
    ScopedAssertSink sink([&](AssertInfo const& info) { asserts.emplace_back(info.message); });
    EXPECT_EQ(thrown("Item('a')"), "Class constructor Item cannot be invoked without 'new'");
    EXPECT_EQ(thrown("Item.call(new Item('a'), 'b')"), "Class constructor Item cannot be invoked without 'new'");
    EXPECT_EQ(asserts, (std::vector<std::string>{"IsConstructCall should be true.", "IsConstructCall should be true."}));
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(ConstructorTest, TheStaticNewIsRefusedAsDeprecatedDuringADebugRun) {
    engine->setDebugging(true);
    EXPECT_EQ(thrown("Item.New('a')"),
              "Calling \"Item.New(...)\" is deprecated.\nPlease replace it with \"new Item(...)\"");
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(run("new Item('a') instanceof Item"), "true");
}

} // namespace
} // namespace qor::test::bindings
