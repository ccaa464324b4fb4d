#include "Platform/Posix/Ole/ModuleResources.h"

#include <gtest/gtest.h>

#include "Platform/Com.h"
#include "Fixtures/Modules/ModuleFixtures.h"
#include "String/Utf.h"

using qor::platform::posix::ole::readTypeLibResource;
using qor::test::moduleFixture;
using qor::test::readFixtureBytes;

namespace {

std::u16string fixturePath(std::string const& name) {
    return qor::string::utf8ToUtf16(moduleFixture(name));
}

} // namespace

TEST(ModuleResources, ReadsEachTypeLibraryOfAModule) {
    auto first = readTypeLibResource(fixturePath("ModuleFixture.dll"), 1);
    auto second = readTypeLibResource(fixturePath("ModuleFixture.dll"), 2);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(std::vector(first->bytes.begin(), first->bytes.end()), readFixtureBytes("ModuleLibraryA.tlb"));
    EXPECT_EQ(std::vector(second->bytes.begin(), second->bytes.end()), readFixtureBytes("ModuleLibraryB.tlb"));
}

TEST(ModuleResources, SaysWhyNothingCameBack) {
    EXPECT_EQ(readTypeLibResource(fixturePath("ModuleFixture.dll"), 3).error(), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(readTypeLibResource(fixturePath("ModuleFixture.dll"), 100).error(), TYPE_E_CANTLOADLIBRARY)
        << "resource 100 exists, but is no TYPELIB";
    EXPECT_EQ(readTypeLibResource(fixturePath("ModuleLibraryA.tlb"), 1).error(), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(readTypeLibResource(fixturePath("Missing.dll"), 1).error(), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(readTypeLibResource(fixturePath(""), 1).error(), TYPE_E_CANTLOADLIBRARY) << "a directory";
    EXPECT_EQ(readTypeLibResource(fixturePath("ModuleFixture.dll"), 0).error(), E_INVALIDARG);
    EXPECT_EQ(readTypeLibResource(fixturePath("ModuleFixture.dll"), 65536).error(), E_INVALIDARG);
}
