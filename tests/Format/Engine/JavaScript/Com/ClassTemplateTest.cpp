// What the global object of a context carries for the host's classes, whether
// the context came from the startup snapshot the first engine of the process
// made or was built the plain way (the suite runs both ways).

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/StartupSnapshot.h"

#include <gtest/gtest.h>

namespace qor::test::bindings {
namespace {

namespace StartupSnapshot = format::engine::javascript::StartupSnapshot;

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
    application.onInvoke([](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(u"Book1");
        return S_OK;
    });
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

} // namespace
} // namespace qor::test::bindings
