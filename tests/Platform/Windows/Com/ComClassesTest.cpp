#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/IScriptStartStop.h"
#include "Platform/Windows/Com/TypeLibrary.h"

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

class ComClassesTest : public ::testing::Test {
protected:
    std::vector<std::string> reports;
    assert::ScopedAssertSink sink{[this](assert::AssertInfo const& info) {
        reports.push_back(std::string(info.function) + ": " + std::string(info.message));
    }};
};

TEST_F(ComClassesTest, IndicesFollowByteWiseNameOrder) {
    ComClasses classes;
    classes.add("Beta", betaId, nullptr);
    classes.add("Alpha", alphaId, nullptr);
    classes.add("alpha", alphaId, nullptr);

    ASSERT_EQ(classes.size(), 3u);
    EXPECT_EQ(classes.getFromIndex(0)->name, "Alpha");
    EXPECT_EQ(classes.getFromIndex(1)->name, "Beta");
    EXPECT_EQ(classes.getFromIndex(2)->name, "alpha");
    EXPECT_EQ(classes.indexOf("Beta"), 1u);
    EXPECT_EQ(classes.indexOf("alpha"), 2u);
    EXPECT_EQ(classes.indexOf("BETA"), std::nullopt);
    EXPECT_EQ(classes.indexOf("Gamma"), std::nullopt);
    EXPECT_TRUE(reports.empty());
}

TEST_F(ComClassesTest, OutOfRangeIndexIsReportedAndGivesNull) {
    ComClasses classes;
    classes.add("Alpha", alphaId, nullptr);

    EXPECT_EQ(classes.getFromIndex(1), nullptr);
    EXPECT_EQ(classes.getFromIndex(~std::uint64_t{0}), nullptr);
    EXPECT_EQ(reports, (std::vector<std::string>(2, "qor::platform::windows::com::ComClasses::getFromIndex: "
                                                    "ComClasses::pFromInd: Out of range")));
}

TEST_F(ComClassesTest, NothingIsReportedWhileTheFacilityIsDisabled) {
    ComClasses classes;
    assert::Assert::setEnabled(false);
    EXPECT_EQ(classes.getFromIndex(0), nullptr);
    assert::Assert::setEnabled(true);
    EXPECT_TRUE(reports.empty());
}

TEST_F(ComClassesTest, ASecondEntryOfTheSameNameIsDropped) {
    ComClasses classes;
    bool firstCalled = false;
    EXPECT_TRUE(classes.add(
        "Alpha", alphaId,
        [&](DispatchCreationInterface*) -> IUnknown* {
            firstCalled = true;
            return nullptr;
        },
        1));
    EXPECT_FALSE(classes.add("Alpha", betaId, nullptr, 0));

    ASSERT_EQ(classes.size(), 1u);
    ComClassEntry const& entry = *classes.getFromIndex(0);
    EXPECT_EQ(entry.clsid, alphaId);
    EXPECT_EQ(entry.hostValue, 1u);
    EXPECT_TRUE(entry.isGlobalObject());
    createObject(entry, nullptr);
    EXPECT_TRUE(firstCalled);
}

TEST_F(ComClassesTest, NameOfASharedIdentifierIsTheFirstInNameOrder) {
    ComClasses classes;
    classes.add("Zulu", alphaId, nullptr);
    classes.add("Mike", alphaId, nullptr);
    classes.add("Beta", betaId, nullptr);

    EXPECT_EQ(classes.nameOf(alphaId), "Mike");
    EXPECT_EQ(classes.nameOf(betaId), "Beta");
    EXPECT_EQ(classes.nameOf(Guid{}), std::nullopt);
}

TEST_F(ComClassesTest, WideNameIsConvertedOnce) {
    ComClasses classes;
    classes.add("Gr\xC3\xBC\xC3\x9F"
                "e",
                alphaId, nullptr);
    ComClassEntry const& entry = *classes.getFromIndex(0);
    EXPECT_FALSE(entry.wideName.has_value());
    OleString const& wide = entry.getWideName();
    EXPECT_EQ(wide, OleString(OLESTR("Gr\u00FC\u00DFe")));
    EXPECT_EQ(&entry.getWideName(), &wide);
}

TEST(CreateObject, WithoutCreatorGivesNull) {
    ComClassEntry entry("Alpha", alphaId, nullptr, 0);
    EXPECT_EQ(createObject(entry, nullptr), nullptr);
}

TEST(CreateObject, ACreatorThatFailsGivesNull) {
    ComClassEntry entry(
        "Alpha", alphaId, [](DispatchCreationInterface*) -> IUnknown* { return nullptr; }, 0);
    EXPECT_EQ(createObject(entry, nullptr), nullptr);
}

TEST(CreateObject, TheCallerOwnsTheOneReferenceAdded) {
    CountedObject<IUnknown> object;
    DispatchCreationInterface* seen = nullptr;
    auto* creator = reinterpret_cast<DispatchCreationInterface*>(0x1234);
    ComClassEntry entry(
        "Alpha", alphaId,
        [&](DispatchCreationInterface* c) -> IUnknown* {
            seen = c;
            return object.unknown();
        },
        0);

    IUnknown* created = createObject(entry, creator);
    EXPECT_EQ(created, object.unknown());
    EXPECT_EQ(seen, creator);
    EXPECT_EQ(object.refCount(), 2);
    created->Release();
    EXPECT_TRUE(object.balanced());
}

// A host object that wants to hear about script starts.
class StartStopObject : public CountedObject<IUnknown>, public IScriptStartStop {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualGUID(riid, iidScriptStartStop.to<IID>())) {
            *ppv = static_cast<IScriptStartStop*>(this);
            AddRef();
            return S_OK;
        }
        return CountedObject<IUnknown>::QueryInterface(riid, ppv);
    }
    void start() override { ++starts; }
    void stop() override { ++stops; }

    int starts = 0;
    int stops = 0;
};

TEST(CreateObject, StartsObjectsThatListenAndKeepsReferencesBalanced) {
    StartStopObject object;
    ComClassEntry entry(
        "Alpha", alphaId, [&](DispatchCreationInterface*) -> IUnknown* { return object.unknown(); }, 0);

    IUnknown* created = createObject(entry, nullptr);
    EXPECT_EQ(object.starts, 1);
    EXPECT_EQ(object.stops, 0);
    EXPECT_EQ(object.refCount(), 2);
    created->Release();
    EXPECT_TRUE(object.balanced());
}

TEST(CreateObject, AnObjectRefusingTheQueryIsStillReturned) {
    CountedObject<IUnknown> object;
    object.failQueryInterface();
    ComClassEntry entry(
        "Alpha", alphaId, [&](DispatchCreationInterface*) -> IUnknown* { return object.unknown(); }, 0);

    IUnknown* created = createObject(entry, nullptr);
    ASSERT_EQ(created, object.unknown());
    created->Release();
    EXPECT_TRUE(object.balanced());
}

TEST(ScriptStartStop, IdentifierIsTheOneHostsAnswer) {
    EXPECT_EQ(iidScriptStartStop, Guid::parse("{0AF53544-E0D6-4D69-8E28-584B2535B513}"));
}

// A creator that only knows its type library.
class LibraryCreator : public DispatchCreationInterface {
public:
    explicit LibraryCreator(TypeLibrary& library) : library_(library) {}
    void objectCreated(IUnknown*) override {}
    void objectDestroyed(IUnknown*) override {}
    std::uint64_t nextUniqueId() override { return 0; }
    TypeLibrary& getTypeLibrary() override { return library_; }

private:
    TypeLibrary& library_;
};

TEST(FindTypeInfoAndAttribute, AsksTheCreatorsTypeLibrary) {
    EXPECT_EQ(findTypeInfoAndAttribute(nullptr, alphaId), nullptr);

    std::vector<Guid> asked;
    TypeLibrary library([](OLECHAR const*, ITypeLib**) { return TYPE_E_CANTLOADLIBRARY; });
    library.setProvider([&](ITypeLib**) {
        asked.push_back(alphaId);
        return false;
    });
    LibraryCreator creator(library);
    EXPECT_EQ(findTypeInfoAndAttribute(&creator, alphaId), nullptr);
    EXPECT_EQ(asked.size(), 1u);
}

} // namespace
} // namespace qor::platform::windows::com
