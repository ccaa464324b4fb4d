#include "Platform/Windows/Com/TypeLibrary.h"

#include "Assert/Assert.h"
#include "Support/TypeInfoMock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>

namespace qor::platform::windows::com {
namespace {

using test::MockTypeInfo;
using test::MockTypeLib;
using ::testing::_;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Return;

Guid guidOf(std::uint32_t n) {
    return Guid{n, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
}

// A library of mocked types with the given identifiers.
struct FakeLibrary {
    explicit FakeLibrary(std::vector<Guid> const& guids) : attributes(guids.size()) {
        for (std::size_t i = 0; i < guids.size(); ++i) {
            attributes[i].guid = guids[i].to<GUID>();
            types.push_back(std::make_unique<NiceMock<MockTypeInfo>>());
            MockTypeInfo& type = *types.back();
            ON_CALL(type, GetTypeAttr(_)).WillByDefault(Invoke([this, i](TYPEATTR** out) {
                *out = &attributes[i];
                ++attributesOut;
                return S_OK;
            }));
            ON_CALL(type, ReleaseTypeAttr(_)).WillByDefault(Invoke([this](TYPEATTR*) {
                ++attributesBack;
                libraryHeldAtAttributesBack = std::min(libraryHeldAtAttributesBack, library.refCount());
            }));
            ON_CALL(library, GetTypeInfo(static_cast<UINT>(i), _)).WillByDefault(Invoke(test::handOut(type.pointer())));
        }
        ON_CALL(library, GetTypeInfoCount()).WillByDefault(Return(static_cast<UINT>(guids.size())));
    }

    bool balanced() const {
        for (auto const& type : types)
            if (!type->balanced())
                return false;
        return library.balanced() && attributesOut == attributesBack;
    }

    NiceMock<MockTypeLib> library;
    std::vector<TYPEATTR> attributes;
    std::vector<std::unique_ptr<NiceMock<MockTypeInfo>>> types;
    int attributesOut = 0;
    int attributesBack = 0;
    // The fewest references on the library when a type gave back its
    // attributes; 1 is the test's own.
    long libraryHeldAtAttributesBack = LONG_MAX;
};

// Loads FakeLibrary objects by path and remembers the order asked.
struct FakeLoader {
    std::map<std::u16string, FakeLibrary*> libraries;
    std::vector<std::u16string> asked;

    TypeLibrary::Loader loader() {
        return [this](OLECHAR const* path, ITypeLib** out) -> HRESULT {
            std::u16string const key(reinterpret_cast<char16_t const*>(path));
            asked.push_back(key);
            auto found = libraries.find(key);
            if (found == libraries.end())
                return TYPE_E_CANTLOADLIBRARY;
            found->second->library.AddRef();
            *out = found->second->library.pointer();
            return S_OK;
        };
    }
};

// Paths and types that cannot be read are skipped silently.
TEST(TypeLibrary, SourcesAreTakenFromTheBackAndOnlyAsFarAsNeeded) {
    FakeLibrary a({guidOf(1)}), b({guidOf(2), guidOf(4), guidOf(5)}), c({guidOf(3), guidOf(6), guidOf(7)});
    ON_CALL(c.library, GetTypeInfo(1u, _)).WillByDefault(Return(TYPE_E_ELEMENTNOTFOUND));
    ON_CALL(*c.types[2], GetTypeAttr(_)).WillByDefault(Return(E_OUTOFMEMORY));
    FakeLoader files{{{u"a.tlb", &a}, {u"b.tlb", &b}, {u"c.tlb", &c}}, {}};
    {
        TypeLibrary library(files.loader());
        library.addPath("a.tlb").addPath("missing.tlb").addPath("b.tlb").addPath("c.tlb");

        TypeInfoAndAttribute* entry = library.find(guidOf(3));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(files.asked, (std::vector<std::u16string>{u"c.tlb"}));
        EXPECT_EQ(entry->typeInfo, c.types[0]->pointer());
        EXPECT_EQ(entry->typeLib, c.library.pointer());
        // A wanted type early in a library still registers the rest.
        EXPECT_EQ(library.find(guidOf(2))->index, 0u);
        EXPECT_EQ(library.getEntries().size(), 4u);
        EXPECT_EQ(library.find(guidOf(5))->index, 2u);

        ASSERT_NE(library.find(guidOf(1)), nullptr);
        EXPECT_EQ(files.asked, (std::vector<std::u16string>{u"c.tlb", u"b.tlb", u"missing.tlb", u"a.tlb"}));
        EXPECT_EQ(library.pendingSourceCount(), 0u);
        EXPECT_EQ(library.find(guidOf(6)), nullptr);
        EXPECT_EQ(library.find(guidOf(7)), nullptr);
        EXPECT_TRUE(c.types[2]->balanced());

        // Out-places carry a reference for the caller.
        std::uint32_t index = 99;
        ITypeLib* typeLib = nullptr;
        ITypeInfo* typeInfo = nullptr;
        TYPEATTR* typeAttr = nullptr;
        ASSERT_TRUE(library.getTypeInfoAndAttribute(guidOf(5), &index, &typeLib, &typeInfo, &typeAttr));
        EXPECT_EQ(index, 2u);
        EXPECT_EQ(typeAttr, &b.attributes[2]);
        typeLib->Release();
        typeInfo->Release();
        ASSERT_TRUE(library.getTypeInfo(guidOf(4), &typeInfo));
        typeInfo->Release();
        EXPECT_FALSE(library.getTypeInfoAndAttribute(guidOf(9)));
        EXPECT_FALSE(library.getTypeInfo(guidOf(9), &typeInfo));
    }
    EXPECT_TRUE(a.balanced());
    EXPECT_TRUE(b.balanced());
    EXPECT_TRUE(c.balanced());
}

TEST(TypeLibrary, TheFirstLoadedTypeOfAGuidKeepsTheEntry) {
    // The nil identifier of unnamed types collapses the same way.
    FakeLibrary first({guidOf(1), Guid{}, Guid{}}), second({guidOf(2), guidOf(1)});
    FakeLoader files{{{u"first.tlb", &first}, {u"second.tlb", &second}}, {}};
    {
        TypeLibrary library(files.loader());
        library.addPath("second.tlb").addPath("first.tlb");
        library.loadAll();

        EXPECT_EQ(library.getEntries().size(), 3u);
        EXPECT_EQ(library.find(guidOf(1))->typeInfo, first.types[0]->pointer());
        EXPECT_EQ(library.find(Guid{})->typeInfo, first.types[1]->pointer());
        // Types that lost were handed back at once.
        EXPECT_TRUE(first.types[2]->balanced());
        EXPECT_TRUE(second.types[1]->balanced());
    }
    // Entries are destroyed before their library is released.
    EXPECT_GT(first.libraryHeldAtAttributesBack, 1);
    EXPECT_TRUE(first.balanced());
    EXPECT_TRUE(second.balanced());
}

TEST(TypeLibrary, TheProviderIsAskedAtEachUnknownLookupOnceNothingIsPending) {
    FakeLibrary provided({guidOf(7)});
    int calls = 0;
    bool gives = false;
    {
        TypeLibrary library(FakeLoader{}.loader());
        library.setProvider([&](ITypeLib** out) {
            ++calls;
            if (!gives)
                return false;
            provided.library.AddRef();
            *out = provided.library.pointer();
            return true;
        });
        EXPECT_EQ(library.find(guidOf(7)), nullptr);
        gives = true;
        ASSERT_NE(library.find(guidOf(7)), nullptr);
        EXPECT_NE(library.find(guidOf(7)), nullptr);
        EXPECT_EQ(calls, 2);
        EXPECT_EQ(library.find(guidOf(8)), nullptr);
        EXPECT_EQ(library.find(guidOf(8)), nullptr);
        EXPECT_EQ(calls, 4);
    }
    EXPECT_TRUE(provided.balanced());
}

} // namespace
} // namespace qor::platform::windows::com

#ifdef QOR_TYPELIB_FIXTURE_DIR
namespace qor::platform::windows::com {
namespace {

std::filesystem::path fixture(char const* name) {
    return std::filesystem::path(QOR_TYPELIB_FIXTURE_DIR) / name;
}

Guid const calculatorClsid = *Guid::parse("{5a0c4f1e-7d1b-4c2e-9a53-0f6d2b8e1c07}");
Guid const circleIid = *Guid::parse("{5a0c4f1e-7d1b-4c2e-9a53-0f6d2b8e1c21}");

// A module opened for its resources, closed at the end of the scope.
using DataModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)>;

DataModule openModule(std::filesystem::path const& path) {
    std::u16string const wide = path.u16string();
    OleString const text(wide.begin(), wide.end());
    return DataModule(LoadLibraryExW(text.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), &FreeLibrary);
}

class TypeLibraryModule : public ::testing::Test {
protected:
    std::vector<std::string> reports;
    assert::ScopedAssertSink sink{[this](assert::AssertInfo const& info) {
        reports.push_back(std::string(info.file) + " " + std::string(info.function));
    }};
};

// The module's path, from which the resources' paths are made, lies outside
// ASCII.
TEST_F(TypeLibraryModule, ResourcesAreLoadedLastListedFirstPathsBeforeModules) {
    auto const directory = std::filesystem::temp_directory_path() / "qor-typelibrary-\xC3\xBC\xE2\x82\xAC";
    std::filesystem::create_directories(directory);
    auto const copy = directory / "M\xC3\xBCller.dll";
    std::filesystem::copy_file(fixture("QorFixtures.dll"), copy, std::filesystem::copy_options::overwrite_existing);
    {
        DataModule const module = openModule(copy);
        ASSERT_NE(module.get(), nullptr);
        TypeLibrary library;
        library.addModule(module.get());
        // Resource 2 holds ICircle and is listed last, so resource 1 stays pending.
        EXPECT_NE(library.find(circleIid), nullptr);
        EXPECT_EQ(library.pendingSourceCount(), 1u);
        EXPECT_NE(library.find(calculatorClsid), nullptr);
        EXPECT_EQ(library.pendingSourceCount(), 0u);

        TypeLibrary withPath;
        withPath.addPath(fixture("QorFixture.tlb")).addModule(module.get());
        EXPECT_NE(withPath.find(calculatorClsid), nullptr);
        EXPECT_EQ(withPath.pendingSourceCount(), 1u);
    }
    std::filesystem::remove_all(directory);
    EXPECT_TRUE(reports.empty());
}

TEST_F(TypeLibraryModule, AModuleWithoutAFileNameIsReportedAndTheRestStaysPending) {
    DataModule const module = openModule(fixture("QorFixtures.dll"));
    for (bool loadAll : {false, true}) {
        reports.clear();
        TypeLibrary library;
        library.addModule(module.get()).addModule(reinterpret_cast<HMODULE>(0x7E57));
        if (loadAll) {
            library.loadAll();
            EXPECT_EQ(library.pendingSourceCount(), 0u);
        } else {
            EXPECT_EQ(library.find(calculatorClsid), nullptr);
            EXPECT_EQ(library.pendingSourceCount(), 1u);
        }
        EXPECT_NE(library.find(calculatorClsid), nullptr);
        EXPECT_EQ(reports, std::vector<std::string>{"Platform/Windows/COM/TypeLibrary "
                                                    "qor::platform::windows::com::TypeLibrary::loadTypeLib"});
    }
}

} // namespace
} // namespace qor::platform::windows::com
#endif
