#include "Platform/Windows/Com/ComClasses.h"

#include "Assert/Assert.h"
#include "Support/CountedObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::platform::windows::com {
namespace {

using test::CountedObject;

Guid const alphaId{0x11111111, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
Guid const betaId{0x22222222, 0x2, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(ComClasses, IndicesFollowByteWiseNameOrderAndTheFirstOfANameStays) {
    std::vector<std::string> reports;
    assert::ScopedAssertSink sink([&](assert::AssertInfo const& info) {
        reports.push_back(std::string(info.function) + ": " + std::string(info.message));
    });
    ComClasses classes;
    EXPECT_TRUE(classes.add("Zulu", alphaId, nullptr, 1));
    classes.add("Beta", betaId, nullptr);
    classes.add("Alpha", alphaId, nullptr);
    EXPECT_FALSE(classes.add("Zulu", betaId, nullptr, 0));

    ASSERT_EQ(classes.size(), 3u);
    EXPECT_EQ(classes.getFromIndex(0)->name, "Alpha");
    EXPECT_EQ(classes.indexOf("Beta"), 1u);
    EXPECT_EQ(classes.indexOf("BETA"), std::nullopt);
    ComClassEntry const& zulu = *classes.getFromIndex(2);
    EXPECT_EQ(zulu.clsid, alphaId);
    EXPECT_TRUE(zulu.isGlobalObject());
    // A shared identifier is named by the first name in that order.
    EXPECT_EQ(classes.nameOf(alphaId), "Alpha");
    EXPECT_EQ(classes.nameOf(Guid{}), std::nullopt);
    EXPECT_TRUE(reports.empty());

    EXPECT_EQ(classes.getFromIndex(3), nullptr);
    EXPECT_EQ(classes.getFromIndex(~std::uint64_t{0}), nullptr);
    EXPECT_EQ(reports, (std::vector<std::string>(2, "qor::platform::windows::com::ComClasses::getFromIndex: "
                                                    "ComClasses::pFromInd: Out of range")));
}

// Host objects that hear of script starts are met through the engine's
// shared instances.
TEST(CreateObject, TheCallerOwnsTheOneReferenceAddedOrThereIsNoObject) {
    EXPECT_EQ(findTypeInfoAndAttribute(nullptr, alphaId), nullptr);
    EXPECT_EQ(createObject(ComClassEntry("Alpha", alphaId, nullptr, 0), nullptr), nullptr);
    ComClassEntry failing(
        "Alpha", alphaId, [](DispatchCreationInterface*) -> IUnknown* { return nullptr; }, 0);
    EXPECT_EQ(createObject(failing, nullptr), nullptr);

    CountedObject<IUnknown> object;
    auto* creator = reinterpret_cast<DispatchCreationInterface*>(0x1234);
    ComClassEntry entry(
        "Alpha", alphaId,
        [&](DispatchCreationInterface* given) -> IUnknown* { return given == creator ? object.unknown() : nullptr; },
        0);
    IUnknown* created = createObject(entry, creator);
    ASSERT_EQ(created, object.unknown());
    EXPECT_EQ(object.refCount(), 2);
    created->Release();
    EXPECT_TRUE(object.balanced());
}

} // namespace
} // namespace qor::platform::windows::com
