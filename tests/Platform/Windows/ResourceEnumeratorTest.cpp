#include "Platform/Windows/ResourceEnumerator.h"

#include <gtest/gtest.h>

#include "Fixtures/Modules/ModuleFixtures.h"
#include "String/Utf.h"

using qor::platform::windows::ResourceEnumerator;

namespace {

HMODULE loadFixture(std::string const& name) {
    std::u16string const path = qor::string::utf8ToUtf16(qor::test::moduleFixture(name));
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

struct Seen {
    std::vector<std::int64_t> ids;
    std::vector<std::string> types;
    std::vector<std::pair<std::u16string, std::int64_t>> notices;
};

void enumerate(HMODULE module, std::u16string const& type, Seen& seen, std::int64_t firstId = 1,
               std::optional<std::int64_t> lastId = std::nullopt, std::size_t stopAfter = 100) {
    ResourceEnumerator<std::string>{}.vEnumResources(
        module, type,
        [&](std::u16string_view message, std::int64_t code, std::string const&) {
            seen.notices.emplace_back(message, code);
        },
        firstId, lastId,
        [&](HMODULE from, std::int64_t id, std::string const& typeName) {
            EXPECT_EQ(from, module);
            seen.ids.push_back(id);
            seen.types.push_back(typeName);
            return seen.ids.size() < stopAfter;
        });
}

} // namespace

// Modules with numbered type libraries only are listed through TypeLibrary.
TEST(ResourceEnumerator, ListsNumberedResourcesInBoundsAndLeavesNamedOnesOutWithANotice) {
    HMODULE module = loadFixture("NamedResources.dll");
    ASSERT_NE(module, nullptr);
    Seen seen;
    enumerate(module, u"TYPELIB", seen);
    EXPECT_EQ(seen.ids, (std::vector<std::int64_t>{3, 7}));
    EXPECT_EQ(seen.types, (std::vector<std::string>{"TYPELIB", "TYPELIB"}));
    ASSERT_EQ(seen.notices.size(), 1u);
    EXPECT_NE(seen.notices[0].first.find(u"FIRST"), std::u16string::npos);

    Seen bounded;
    enumerate(module, u"TYPELIB", bounded, 4, 7);
    EXPECT_EQ(bounded.ids, (std::vector<std::int64_t>{7}));
    Seen below;
    enumerate(module, u"TYPELIB", below, 1, 5);
    EXPECT_EQ(below.ids, (std::vector<std::int64_t>{3}));
    Seen first;
    enumerate(module, u"TYPELIB", first, 1, std::nullopt, 1);
    EXPECT_EQ(first.ids, (std::vector<std::int64_t>{3})) << "the callback ends it";
    FreeLibrary(module);
}

TEST(ResourceEnumerator, TellsWhyNothingWasFound) {
    HMODULE module = loadFixture("ModuleFixture.dll");
    Seen seen;
    enumerate(module, u"REGISTRY", seen);
    EXPECT_TRUE(seen.ids.empty());
    ASSERT_EQ(seen.notices.size(), 1u);
    EXPECT_EQ(seen.notices[0].second, ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_FALSE(seen.notices[0].first.empty());
    FreeLibrary(module);

    Seen stale;
    enumerate(module, u"TYPELIB", stale);
    EXPECT_TRUE(stale.ids.empty());
    ASSERT_EQ(stale.notices.size(), 1u);
    EXPECT_EQ(stale.notices[0].second, ERROR_INVALID_HANDLE);

    // Without callbacks nothing is called and nothing breaks.
    ResourceEnumerator<std::string>{}.vEnumResources(nullptr, u"TYPELIB", {}, 1, std::nullopt, {});
}
