// How scripts get objects: what the global object carries for the host's
// classes, whether the context came from the startup snapshot the first engine
// of the process made or was built the plain way (the suite runs both ways);
// `new Item(...)` through the class's "New"/"New2" methods and the older
// `Item.New(...)`; `new ActiveXObject(progId)` over classes the process
// registers.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Support/RegisteredClass.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

namespace IsolateData = format::engine::javascript::IsolateData;
namespace StartupSnapshot = format::engine::javascript::StartupSnapshot;

// --- the global object ----------------------------------------------------------

using ClassTemplateTest = BindingTest;

TEST_F(ClassTemplateTest, EveryTypeIsAConstructorExceptGlobalObjectsAndTheReservedNames) {
    EXPECT_EQ(run("['Include', 'Item', 'Items', 'IItem', 'IApplication', 'Colour', 'ActiveXObject', 'Enumerator',"
                  " 'IV8ArrayWrapper', 'Application', 'Attribute', 'QueryInterface'].map(n => typeof globalThis[n]).join()"),
              "function,function,function,function,function,function,function,function,function,object,undefined,"
              "undefined");
    EXPECT_EQ(run("[Item.name, typeof Item.New, typeof Application.New, typeof Application.Create].join()"),
              "Item,function,undefined,function");
    // The coclass of that name is not bound; the global of that name is not it.
    EXPECT_EQ(run("typeof Enumerator === 'undefined' || Enumerator.New === undefined"), "true");
}

TEST_F(ClassTemplateTest, AGlobalObjectHoldsNoComObjectUntilItsFirstUse) {
    run("1");
    EXPECT_TRUE(application.balanced());
    application.onInvoke(answering(u"Book1"));
    EXPECT_EQ(run("Application.Title"), "Book1");
    EXPECT_EQ(application.refCount(), 2);
}

TEST_F(ClassTemplateTest, ALaterEngineStartsFromTheFirstOnesSnapshotAndSeesItsClasses) {
    run("1");
    v8::StartupData const* blob = StartupSnapshot::blob();
    EXPECT_EQ(blob != nullptr, StartupSnapshot::isEnabled());
    ComV8Engine::ComClasses otherClasses;
    ComV8Engine::TypeLibrary otherLibrary;
    ComV8Engine other(otherClasses, otherLibrary, ".");
    // Application.create: a global object's member in another case.
    other.setScript("typeof Item + typeof Application.create + typeof Enumerator + typeof ActiveXObject", {});
    EXPECT_EQ(other.runScript(), "functionfunctionfunctionfunction");
    EXPECT_EQ(StartupSnapshot::blob(), blob);
}

// --- constructors of the host's classes -----------------------------------------

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

// The sample's constructors script shows too many arguments, and interfaces
// with and without New.
TEST_F(ConstructorTest, TheFirstOverloadThatTakesTheArgumentsIsCalledWithThemReversed) {
    EXPECT_EQ(run("new Item('a') instanceof Item"), "true");
    EXPECT_EQ(run("var first = new Item('a'); new Item(first, 2); new Item(); new Item(5); calls = 0"), "0");
    EXPECT_EQ(calls, (std::vector<DISPID>{itemNew, itemNew, itemNew2, itemNew, itemNew}));
    // New2's object parameter takes the wrapper as its COM object.
    run("new Item(new Item('a'), 2.5)");
    EXPECT_EQ(argumentTypes, (std::vector<VARTYPE>{VT_R8, VT_DISPATCH}));
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
    EXPECT_EQ(thrown("new IItem(1, 2, 3)"), "No matching constructor found.");
    host.itemCreator = nullptr;
    EXPECT_EQ(thrown("new Item('a')"), "COM object creation failed.");
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(ConstructorTest, CallingTheConstructorWithoutNewIsRefused) {
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

// --- ActiveXObject ----------------------------------------------------------------

Guid const clsidPoint{0x7c3e1a00, 0x41d2, 0x4b8e, {0xa0, 0xf1, 0x5e, 0x9b, 0x2c, 0x4d, 0x6f, 0x30}};
Guid const clsidHostItem{0x7c3e1a00, 0x41d2, 0x4b8e, {0xa0, 0xf1, 0x5e, 0x9b, 0x2c, 0x4d, 0x6f, 0x31}};

class ActiveXObjectTest : public BindingTest {
protected:
    ActiveXObjectTest() {
        hostItem.onInvoke(answering(u"item"));
        for (TypedDispatch* point : {&first, &second})
            point->onInvoke([point](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
                result->vt = VT_I4;
                result->lVal = point->refCount();
                return S_OK;
            });
    }
    ~ActiveXObjectTest() override {
        point.reset();
        item.reset();
        expectBalancedAfterTeardown(first, second, hostItem, factory, itemFactory);
    }

    TypedDispatch first{host.typeInfo(iidPoint)};
    TypedDispatch second{host.typeInfo(iidPoint)};
    TypedDispatch hostItem{host.typeInfo(iidItem)};
    int made = 0;
    HRESULT failure = S_OK;
    // Hands out the two points in turn, and the host item for its class.
    CountedClassFactory factory{[this](REFIID riid, void** object) {
        return failure != S_OK ? failure : (made++ % 2 == 0 ? first : second).QueryInterface(riid, object);
    }};
    CountedClassFactory itemFactory{
        [this](REFIID riid, void** object) { return hostItem.QueryInterface(riid, object); }};
    std::optional<RegisteredClass> point{std::in_place, clsidPoint, u"Qor.Test.Point", &factory};
    std::optional<RegisteredClass> item{std::in_place, clsidHostItem, u"Qor.Test.Item", &itemFactory};
};

TEST_F(ActiveXObjectTest, ObjectsOfOneClassShareTheTemplateTheirTypeInformationGave) {
    run("");
    auto& classes = IsolateData::classMap(isolate());
    std::size_t const before = classes.size();
    EXPECT_EQ(run("var a = new ActiveXObject('Qor.Test.Point'), b = new ActiveXObject('qor.test.point');"
                  "[a === b, Object.getPrototypeOf(a) === Object.getPrototypeOf(b), typeof a.X, a.X, b.X].join()"),
              "false,true,number,2,2");
    EXPECT_EQ(classes.size(), before + 1);
    EXPECT_TRUE(IsolateData::objectRegistry(isolate()).activeXClassGuids.contains(iidPoint));
    run("a = b = null");
    collectGarbage();
    EXPECT_TRUE(first.balanced()) << first.refCount();
    // A class of the host's library keeps its own binding.
    EXPECT_EQ(run("var item = new ActiveXObject('Qor.Test.Item'); [typeof item.Activate, typeof item.Name].join()"),
              "function,string");
    EXPECT_FALSE(
        IsolateData::objectRegistry(isolate()).activeXClassGuids.contains(iidItem));
}

TEST_F(ActiveXObjectTest, FailuresNameTheProgIdAndTheReason) {
    EXPECT_EQ(thrown("new ActiveXObject('Qor.Test.Missing')"),
              "ActiveXObject: no COM class is registered as \"Qor.Test.Missing\"");
    failure = E_OUTOFMEMORY;
    EXPECT_EQ(thrown("new ActiveXObject('Qor.Test.Point')"),
              "ActiveXObject: \"Qor.Test.Point\" could not be created: Not enough memory resources are available "
              "to complete this operation.");
    EXPECT_EQ(thrown("new ActiveXObject({ toString() { throw 'no text'; } })"), "no text");
    EXPECT_EQ(thrown("new ActiveXObject('Qor.Test.Point\\0junk')"),
              "ActiveXObject: a ProgID cannot hold the character U+0000");
    // The system's text has a place for what failed, which it does not fill.
    failure = HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(thrown("new ActiveXObject('Qor.Test.Point')"),
              "ActiveXObject: \"Qor.Test.Point\" could not be created: its server is not a valid Win32 application.");
}

TEST_F(ActiveXObjectTest, AnUnusualCallIsReportedAndStillCreatesTheObject) {
    EXPECT_EQ(run("typeof ActiveXObject('Qor.Test.Point', 2).X"), "number");
    EXPECT_EQ(asserts, (std::vector<std::string>{"IsConstructCall should be true.", "InternalFieldCount should be 1.",
                                                 "Function argument count should be 1."}));
}

} // namespace
} // namespace qor::test::bindings
