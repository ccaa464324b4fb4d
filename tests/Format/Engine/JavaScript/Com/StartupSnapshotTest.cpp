// Engines of one process start from the startup snapshot the first of them
// made; what scripts see is the same as from a context built the plain way
// (the bindings' suites run both ways: ComBindingTests and
// ComBindingTestsPlain).

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/StartupSnapshot.h"

#include <gtest/gtest.h>

namespace qor::test::bindings {
namespace {

namespace StartupSnapshot = format::engine::javascript::StartupSnapshot;

using StartupSnapshotTest = BindingTest;

TEST_F(StartupSnapshotTest, TheFirstEngineMakesTheBlobAndLaterOnesStartFromIt) {
    run("1");
    if (!StartupSnapshot::isEnabled())
        GTEST_SKIP() << "this program builds its contexts the plain way";
    v8::StartupData const* blob = StartupSnapshot::blob();
    ASSERT_NE(blob, nullptr);
    EXPECT_GT(blob->raw_size, 0);
    ComV8Engine second(host.classes, host.typeLibrary, ".");
    // Application.create: a global object's member in another case.
    second.setScript("typeof Item + typeof Application.create + typeof Enumerator + typeof ActiveXObject + typeof Include",
                     {});
    EXPECT_EQ(second.runScript(), "functionfunctionfunctionfunctionfunction");
    EXPECT_EQ(StartupSnapshot::blob(), blob);
    EXPECT_TRUE(StartupSnapshot::isEnabled());
}

TEST_F(StartupSnapshotTest, TheGlobalObjectCarriesTheBindingsWhicheverWayItWasMade) {
    EXPECT_EQ(run("['Include', 'Item', 'Items', 'IItem', 'Application', 'Colour', 'ActiveXObject', 'Enumerator',"
                  " 'IV8ArrayWrapper'].map(n => typeof globalThis[n]).join()"),
              "function,function,function,function,object,function,function,function,function");
    EXPECT_EQ(run("['Attribute', 'QueryInterface'].map(n => typeof globalThis[n]).join()"), "undefined,undefined");
}

} // namespace
} // namespace qor::test::bindings
