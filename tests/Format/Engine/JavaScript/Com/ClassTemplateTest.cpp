// What the global object of a context carries for the host's classes.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include <gtest/gtest.h>

namespace qor::test::bindings {
namespace {

using ClassTemplateTest = BindingTest;

TEST_F(ClassTemplateTest, EveryTypeIsAConstructorExceptGlobalObjectsAndTheReservedNames) {
    EXPECT_EQ(run("[typeof Item, typeof Items, typeof IItem, typeof IApplication, typeof Colour,"
                  " typeof Application, typeof Attribute].join()"),
              "function,function,function,function,function,object,undefined");
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


TEST_F(ClassTemplateTest, ALaterEngineWithOtherTypeLibrariesSeesTheClassesOfTheFirst) {
    run("1");
    ComV8Engine::ComClasses otherClasses;
    ComV8Engine::TypeLibrary otherLibrary;
    ComV8Engine other(otherClasses, otherLibrary, ".");
    other.setScript("typeof Item + typeof Application", {});
    EXPECT_EQ(other.runScript(), "functionobject");
}

} // namespace
} // namespace qor::test::bindings
