#include "Platform/Posix/Ole/Module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Platform/Com.h"
#include "Fixtures/Modules/ModuleFixtures.h"
#include "String/Utf.h"

using qor::test::moduleFixture;
using qor::test::readFixtureBytes;

namespace {

std::u16string fixturePath(std::string const& name) {
    return qor::string::utf8ToUtf16(moduleFixture(name));
}

HMODULE loadFixture(std::string const& name) {
    return LoadLibraryExW(fixturePath(name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

// What EnumResourceNamesW reported: numbers, or names as text.
struct Listing {
    std::vector<std::u16string> names;
    int stopAfter = -1;
};

BOOL CALLBACK listName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
    auto& listing = *reinterpret_cast<Listing*>(context);
    if (IS_INTRESOURCE(name))
        listing.names.push_back(u"#" + qor::string::utf8ToUtf16(std::to_string(reinterpret_cast<ULONG_PTR>(name))));
    else
        listing.names.emplace_back(name);
    return listing.stopAfter < 0 || static_cast<int>(listing.names.size()) < listing.stopAfter;
}

BOOL CALLBACK freeModule(HMODULE module, LPCWSTR, LPWSTR, LONG_PTR calls) {
    ++*reinterpret_cast<int*>(calls);
    FreeLibrary(module);
    return TRUE;
}

} // namespace

TEST(Module, LoadsImagesAsDataFilesOnly) {
    HMODULE module = loadFixture("ModuleFixture.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    auto failure = [](std::u16string const& path, DWORD flags) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryExW(path.c_str(), nullptr, flags), nullptr);
        return GetLastError();
    };
    EXPECT_EQ(failure(fixturePath("ModuleFixture.dll"), 0), ERROR_NOT_SUPPORTED) << "no code runs here";
    EXPECT_EQ(failure(fixturePath("Missing.dll"), LOAD_LIBRARY_AS_DATAFILE), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(failure(fixturePath("ModuleLibraryA.tlb"), LOAD_LIBRARY_AS_DATAFILE), ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(failure(u"", LOAD_LIBRARY_AS_DATAFILE), ERROR_INVALID_PARAMETER);
    EXPECT_NE(failure(fixturePath(""), LOAD_LIBRARY_AS_DATAFILE), 0u) << "a directory";
}

TEST(Module, GivesTheFileNameWithWindowsTruncation) {
    HMODULE module = loadFixture("ModuleFixture.dll");
    ASSERT_NE(module, nullptr);
    std::u16string const expected =
        qor::string::utf8ToUtf16(std::filesystem::absolute(moduleFixture("ModuleFixture.dll")).lexically_normal().string());

    std::vector<WCHAR> buffer(MAX_PATH, u'x');
    DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    ASSERT_EQ(length, expected.size());
    EXPECT_EQ(std::u16string(buffer.data()), expected);

    // Too small: cut to size - 1 characters, terminated, size returned.
    SetLastError(0);
    length = GetModuleFileNameW(module, buffer.data(), 5);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::u16string(buffer.data()), expected.substr(0, 4));

    // Exactly the length: no room for the terminator, so also truncated.
    SetLastError(0);
    length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(expected.size()));
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(module, buffer.data(), 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    FreeLibrary(module);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(module, buffer.data(), MAX_PATH), 0u) << "a freed module";
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

    length = GetModuleFileNameW(nullptr, buffer.data(), MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_TRUE(std::filesystem::equivalent(qor::string::utf16ToUtf8(buffer.data()), "/proc/self/exe"))
        << "a null module is the running program";
}

TEST(Module, EnumeratesResourceNamesOfAType) {
    HMODULE module = loadFixture("NamedResources.dll");
    ASSERT_NE(module, nullptr);
    Listing listing;
    EXPECT_TRUE(EnumResourceNamesW(module, u"TYPELIB", &listName, reinterpret_cast<LONG_PTR>(&listing)));
    EXPECT_EQ(listing.names, (std::vector<std::u16string>{u"FIRST", u"#3", u"#7"}));

    Listing stopped{{}, 2};
    SetLastError(0);
    EXPECT_FALSE(EnumResourceNamesW(module, u"typelib", &listName, reinterpret_cast<LONG_PTR>(&stopped)));
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_ENUM_USER_STOP);
    EXPECT_EQ(stopped.names.size(), 2u);

    Listing none;
    SetLastError(0);
    EXPECT_FALSE(EnumResourceNamesW(module, RT_RCDATA, &listName, reinterpret_cast<LONG_PTR>(&none)));
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_TRUE(none.names.empty());
    FreeLibrary(module);

    SetLastError(0);
    EXPECT_FALSE(EnumResourceNamesW(module, u"TYPELIB", &listName, reinterpret_cast<LONG_PTR>(&none)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetLastError(0);
    EXPECT_FALSE(EnumResourceNamesW(nullptr, u"TYPELIB", &listName, reinterpret_cast<LONG_PTR>(&none)));
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND) << "the program itself has no PE resources";
}

TEST(Module, SurvivesACallbackThatFreesTheModule) {
    HMODULE module = loadFixture("ModuleFixture.dll");
    ASSERT_NE(module, nullptr);
    int calls = 0;
    EXPECT_TRUE(EnumResourceNamesW(module, u"TYPELIB", &freeModule, reinterpret_cast<LONG_PTR>(&calls)));
    EXPECT_EQ(calls, 2) << "the first call freed it; the second still came";
    EXPECT_FALSE(FreeLibrary(module));
}

TEST(Module, FindsLoadsAndSizesResources) {
    HMODULE module = loadFixture("ModuleFixture.dll");
    ASSERT_NE(module, nullptr);
    auto const expected = readFixtureBytes("ModuleLibraryB.tlb");
    for (LPCWSTR name : {static_cast<LPCWSTR>(MAKEINTRESOURCEW(2)), static_cast<LPCWSTR>(u"#2")}) {
        HRSRC resource = FindResourceW(module, name, u"TYPELIB");
        ASSERT_NE(resource, nullptr);
        ASSERT_EQ(SizeofResource(module, resource), expected.size());
        auto const* data = static_cast<std::byte const*>(LockResource(LoadResource(module, resource)));
        ASSERT_NE(data, nullptr);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data));
    }

    SetLastError(0);
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(9), u"TYPELIB"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    SetLastError(0);
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(1), u"REGISTRY"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);

    // A resource handle of another module is refused, not read.
    HMODULE other = loadFixture("NamedResources.dll");
    HRSRC foreign = FindResourceW(other, MAKEINTRESOURCEW(3), u"TYPELIB");
    ASSERT_NE(foreign, nullptr);
    SetLastError(0);
    EXPECT_EQ(LoadResource(module, foreign), nullptr);
    EXPECT_EQ(SizeofResource(module, foreign), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    FreeLibrary(other);
    FreeLibrary(module);
}
