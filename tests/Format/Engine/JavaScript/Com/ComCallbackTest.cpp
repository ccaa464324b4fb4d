// Scripts calling methods and using properties of wrapped COM objects, and
// what they see when a call fails.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Assert/Assert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

using assert::AssertInfo;
using assert::ScopedAssertSink;

// One Invoke as the object saw it, arguments in COM's order (last first).
struct SeenCall {
    DISPID dispid;
    WORD flags;
    std::vector<VARIANT> arguments;
    std::vector<DISPID> named;
};

class ComCallbackTest : public BindingTest {
protected:
    ComCallbackTest() {
        item.onInvoke([this](DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo) {
            SeenCall call{dispid, flags, {}, {}};
            for (UINT i = 0; i < params->cArgs; ++i) {
                VARIANT copy;
                VariantInit(&copy);
                VariantCopy(&copy, &params->rgvarg[i]);
                call.arguments.push_back(copy);
            }
            for (UINT i = 0; i < params->cNamedArgs; ++i)
                call.named.push_back(params->rgdispidNamedArgs[i]);
            seen.push_back(std::move(call));
            return answer ? answer(dispid, flags, params, result, excepInfo) : S_OK;
        });
        application.onInvoke([this](DISPID dispid, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
            if (dispid == 2 && flags == DISPATCH_PROPERTYGET)
                return handOut(result, &item);
            if (dispid == 1 && flags == DISPATCH_PROPERTYGET) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(u"1.0");
                return S_OK;
            }
            return DISP_E_MEMBERNOTFOUND;
        });
        // The script reaches the item as Application.Items (the fixture's
        // getter of an IItems, answered here with the item itself).
        run("var item = Application.Items;");
    }
    ~ComCallbackTest() override {
        for (auto& call : seen)
            for (auto& argument : call.arguments)
                VariantClear(&argument);
        engine.reset();
        EXPECT_TRUE(item.balanced()) << item.refCount();
        EXPECT_TRUE(application.balanced()) << application.refCount();
    }

    TypedDispatch item{host.typeInfo(iidItem)};
    CountedDispatch::Handler answer;
    std::vector<SeenCall> seen;
};

TEST_F(ComCallbackTest, AMethodCallIsOneInvokeWithTheArgumentsReversed) {
    answer = [](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_I4;
        result->lVal = 42;
        return S_OK;
    };
    EXPECT_EQ(run("item.Add(1, 'two')"), "42");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].dispid, itemAdd);
    EXPECT_EQ(seen[0].flags, DISPATCH_METHOD);
    ASSERT_EQ(seen[0].arguments.size(), 2u);
    EXPECT_EQ(seen[0].arguments[0].vt, VT_BSTR);
    EXPECT_EQ(seen[0].arguments[1].vt, VT_I4);
    EXPECT_EQ(seen[0].arguments[1].lVal, 1);
    EXPECT_TRUE(seen[0].named.empty());

    // Fewer arguments than parameters go as they are: the object applies its
    // own defaults.
    run("item.Add(1); item.Activate()");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].arguments.size(), 1u);
    EXPECT_EQ(seen[2].arguments.size(), 0u);
}

TEST_F(ComCallbackTest, MoreArgumentsThanParametersThrowWithoutCallingCom) {
    EXPECT_EQ(thrown("item.Activate(1, 2)"), "More arguments than the function can receive.");
    EXPECT_TRUE(seen.empty());
    // Ten arguments are more than the arguments kept without allocation.
    EXPECT_EQ(run("item.Many(1, 2, 3, 4, 5, 6, 7, 8, 9, 10); 'ok'"), "ok");
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_EQ(seen[0].arguments.size(), 10u);
    EXPECT_EQ(seen[0].arguments[0].lVal, 10);
    EXPECT_EQ(seen[0].arguments[9].lVal, 1);
}

TEST_F(ComCallbackTest, AGetWithArgumentsIsCalledAsAMethodWithThePropertyGetFlag) {
    run("item.Cell(2, 3)");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].dispid, itemCell);
    EXPECT_EQ(seen[0].flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(seen[0].arguments.size(), 2u);
    // Its put was dropped: assigning is no COM call.
    EXPECT_EQ(run("typeof item.Cell"), "function");
}

TEST_F(ComCallbackTest, PropertiesAreReadWithNoArgumentsAndWrittenUnderDispidPropertyPut) {
    answer = [](DISPID dispid, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        if (flags == DISPATCH_PROPERTYGET && dispid == itemName) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(u"Sheet1");
        }
        return S_OK;
    };
    EXPECT_EQ(run("item.Name"), "Sheet1");
    run("item.Name = 'Budget'");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].flags, DISPATCH_PROPERTYGET);
    EXPECT_TRUE(seen[0].arguments.empty());
    EXPECT_EQ(seen[1].dispid, itemName);
    EXPECT_EQ(seen[1].flags, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(seen[1].arguments.size(), 1u);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(seen[1].arguments[0].bstrVal)), u"Budget");
    EXPECT_EQ(seen[1].named, std::vector<DISPID>{DISPID_PROPERTYPUT});
}

TEST_F(ComCallbackTest, APutOnlyPropertyReadsAsUndefinedAndAPutThatAnswersThrowsAfterTakingEffect) {
    EXPECT_EQ(run("String(item.WriteOnly)"), "undefined");
    EXPECT_TRUE(seen.empty());
    answer = [](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_I4;
        result->lVal = 1;
        return S_OK;
    };
    EXPECT_EQ(thrown("item.WriteOnly = 5"), "Setter should always return void.");
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(ComCallbackTest, PlumbingMembersAreLeftOutButInvokeExIsAnOrdinaryMethod) {
    EXPECT_EQ(run("[typeof item.QueryInterface, typeof item.AddRef, typeof item.Invoke, typeof item.GetIDsOfNames,"
                  " typeof item.InvokeEx, typeof item.New, typeof item.New2].join()"),
              "undefined,undefined,undefined,undefined,function,function,function");
}


TEST_F(ComCallbackTest, ComFailuresBecomeTheMostSpecificTextThereIs) {
    HRESULT failure = S_OK;
    std::u16string description;
    SCODE scode = 0;
    answer = [&](DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* excepInfo) {
        if (!description.empty())
            excepInfo->bstrDescription = SysAllocString(description.c_str());
        excepInfo->scode = scode;
        return failure;
    };
    failure = DISP_E_EXCEPTION;
    description = u"Sheet is protected \u00e9";
    scode = E_FAIL;
    EXPECT_EQ(thrown("item.Fail()"), "Sheet is protected \xc3\xa9");
    description.clear();
    scode = E_ACCESSDENIED;
    EXPECT_EQ(thrown("item.Fail()"), "Access is denied.");
    failure = DISP_E_MEMBERNOTFOUND;
    scode = 0;
    EXPECT_EQ(thrown("item.Fail()"), "Member not found.");
    failure = static_cast<HRESULT>(0xA0001234);
    EXPECT_EQ(thrown("item.Fail()"), "EXCEPINFO scode: 0");
    scode = static_cast<SCODE>(0x80004005);
    failure = static_cast<HRESULT>(0xA0001234);
    EXPECT_EQ(thrown("item.Fail()"), "EXCEPINFO scode: 80004005");
    // A string, not an Error; and the engine goes on working.
    EXPECT_EQ(run("(() => { try { item.Fail(); } catch (e) { return [typeof e, String(e.message)].join(); } })()"),
              "string,undefined");
    failure = S_OK;
    EXPECT_EQ(run("item.Fail(); 'recovered'"), "recovered");
}

TEST_F(ComCallbackTest, AnUncaughtComFailureReachesTheHostWithItsLocation) {
    answer = [](DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) { return DISP_E_TYPEMISMATCH; };
    run("\n  item.Value = 'x';");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "Uncaught Type mismatch.");
    EXPECT_EQ(reported[0].lineNumber, 2);
    EXPECT_EQ(reported[0].sourceLine, "  item.Value = 'x';");
}

TEST_F(ComCallbackTest, ValuesWithoutACOMFormAreRefusedNamingTheMember) {
    std::vector<AssertInfo> asserts;
    ScopedAssertSink sink([&](AssertInfo const& info) { asserts.push_back(info); });
    EXPECT_EQ(thrown("item.Activate(5n)"),
              "IItem.Activate: argument 1 cannot be passed to COM: bigint values have no COM form");
    EXPECT_EQ(thrown("item.Add(1, {a: 1})"), "IItem.Add: argument 2 cannot be passed to COM: script objects other "
                                             "than arrays and COM objects have no COM form");
    EXPECT_EQ(thrown("item.Echo(Symbol('s'))"),
              "IItem.Echo: argument 1 cannot be passed to COM: symbol values have no COM form");
    EXPECT_EQ(thrown("item.Name = () => 1"),
              "IItem.Name: the value cannot be passed to COM: script objects other than arrays and COM objects have "
              "no COM form");
    // A member applied to another object is refused before any call.
    EXPECT_EQ(thrown("item.Activate.call(Application, 1)"), "TypeError: Illegal invocation");
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(asserts.empty());
}


TEST_F(ComCallbackTest, WrappedObjectsGoBackToComAsTheSamePointerWithAReferenceOfTheirOwn) {
    long during = 0;
    answer = [&](DISPID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*) {
        during = item.refCount();
        return params->rgvarg[0].pdispVal == &item ? S_OK : E_FAIL;
    };
    long const before = item.refCount();
    run("item.Echo(item)");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].arguments[0].vt, VT_DISPATCH);
    EXPECT_EQ(during, before + 2); // the argument's and the test's copy of it
    EXPECT_EQ(item.refCount(), before + 1); // the test's copy, cleared at the end
}

TEST_F(ComCallbackTest, AGlobalObjectPassedBeforeItsFirstUseStillGoesAsItsComObject) {
    // A new engine, whose Application has not been used yet.
    engine = std::make_unique<ComV8Engine>(host.classes, host.typeLibrary, ".");
    itemCreator.onInvoke(handingOut(&item));
    run("new Item('first').Echo(Application)");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].arguments[0].vt, VT_DISPATCH);
    EXPECT_EQ(seen[0].arguments[0].pdispVal, static_cast<IDispatch*>(&application));
}

} // namespace
} // namespace qor::test::bindings
