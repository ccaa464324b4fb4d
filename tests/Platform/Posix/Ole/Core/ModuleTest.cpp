#include "Platform/Posix/Ole/Core/Module.h"
#include "Platform/Posix/Ole/Core/ModuleResources.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "Fixtures/Modules/ModuleFixtures.h"
#include "Platform/Com.h"
#include "String/Utf.h"

using qor::platform::posix::ole::lastLoaderMessage;
using qor::platform::posix::ole::readTypeLibResource;
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

using AddFunction = int (*)(int, int);

// Whether the dynamic loader still has the object, asked without loading it.
bool stillLoaded(std::string const& name) {
    void* handle = dlopen(moduleFixture(name).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

std::u16string absoluteFixturePath(std::string const& name) {
    return qor::string::utf8ToUtf16(std::filesystem::absolute(moduleFixture(name)).lexically_normal().string());
}

BOOL CALLBACK freeModule(HMODULE module, LPCWSTR, LPWSTR, LONG_PTR calls) {
    ++*reinterpret_cast<int*>(calls);
    FreeLibrary(module);
    return TRUE;
}

} // namespace

// Each failure says why, as its last error and, where the loader has more to
// say, its message.
TEST(Module, SaysWhyAModuleCannotBeLoaded) {
    auto const text = std::filesystem::temp_directory_path() / "qor-module-test-plain.txt";
    std::ofstream(text) << "not a module\n";
    auto const program = std::filesystem::read_symlink("/proc/self/exe").string();
    DWORD const data = LOAD_LIBRARY_AS_DATAFILE;
    struct Case {
        std::u16string path;
        DWORD flags;
        DWORD error;
        char const* message; // a part of the loader's message, if it has one worth checking
    } const cases[] = {
        {fixturePath("ModuleFixture.dll"), 0, ERROR_NOT_SUPPORTED, "PE image"}, // no code runs here
        {fixturePath("Missing.dll"), data, ERROR_FILE_NOT_FOUND, nullptr},
        {fixturePath("ModuleLibraryA.tlb"), data, ERROR_BAD_EXE_FORMAT, nullptr},
        {u"", data, ERROR_INVALID_PARAMETER, nullptr},
        {fixturePath("Missing.so"), 0, ERROR_MOD_NOT_FOUND, "Missing.so"},
        // A bare name is searched for as dlopen does.
        {u"libqor-no-such-library.so", 0, ERROR_MOD_NOT_FOUND, "cannot open shared object file"},
        {fixturePath("UnresolvedFixture.so"), 0, ERROR_PROC_NOT_FOUND, "qorFixtureMissing"},
        {qor::string::utf8ToUtf16(text.string()), 0, ERROR_BAD_EXE_FORMAT, nullptr},
        {fixturePath("ModuleLibraryA.tlb"), 0, ERROR_BAD_EXE_FORMAT, nullptr},
        {qor::string::utf8ToUtf16(program), 0, ERROR_BAD_EXE_FORMAT, nullptr},
        {fixturePath(""), 0, ERROR_ACCESS_DENIED, nullptr}, // a directory
        {u"", 0, ERROR_INVALID_PARAMETER, nullptr},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(qor::string::utf16ToUtf8(c.path));
        SetLastError(0);
        HMODULE module = LoadLibraryExW(c.path.c_str(), nullptr, c.flags);
        EXPECT_EQ(module, nullptr);
        EXPECT_EQ(GetLastError(), c.error);
        if (c.message != nullptr) {
            EXPECT_NE(lastLoaderMessage().find(c.message), std::string::npos) << lastLoaderMessage();
        }
    }
    EXPECT_EQ(lastLoaderMessage(), "") << "an empty name: the code says it all";
    std::filesystem::remove(text);
    EXPECT_FALSE(stillLoaded("UnresolvedFixture.so"));
    SetLastError(0);
    EXPECT_EQ(LoadLibraryExW(fixturePath("").c_str(), nullptr, data), nullptr);
    EXPECT_NE(GetLastError(), 0u) << "a directory as a data file";

    // Failures leave the working loader as it was.
    HMODULE module = LoadLibraryW(fixturePath("SharedObjectFixture.so").c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(lastLoaderMessage(), "");
    FreeLibrary(module);
}

TEST(Module, GivesTheFileNameWithWindowsTruncation) {
    HMODULE module = loadFixture("ModuleFixture.dll");
    ASSERT_NE(module, nullptr);
    std::u16string const expected = absoluteFixturePath("ModuleFixture.dll");
    std::vector<WCHAR> buffer(MAX_PATH, u'x');
    ASSERT_EQ(GetModuleFileNameW(module, buffer.data(), MAX_PATH), expected.size());
    EXPECT_EQ(std::u16string(buffer.data()), expected);
    // Too small, even by the terminator alone: cut to size - 1 characters,
    // terminated, the size returned.
    for (DWORD size : {DWORD(5), static_cast<DWORD>(expected.size()), DWORD(0)}) {
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameW(module, buffer.data(), size), size);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    }
    EXPECT_EQ(std::u16string(buffer.data()), expected.substr(0, expected.size() - 1));
    FreeLibrary(module);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(module, buffer.data(), MAX_PATH), 0u) << "a freed module";
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    ASSERT_GT(GetModuleFileNameW(nullptr, buffer.data(), MAX_PATH), 0u);
    EXPECT_TRUE(std::filesystem::equivalent(qor::string::utf16ToUtf8(buffer.data()), "/proc/self/exe"))
        << "a null module is the running program";
}

// A missing type and a freed module are met through ResourceEnumerator
// (tests/Platform/Windows), which never stops the listing.
TEST(Module, EnumeratesResourceNamesOfAType) {
    HMODULE module = loadFixture("NamedResources.dll");
    ASSERT_NE(module, nullptr);
    Listing listing;
    EXPECT_TRUE(EnumResourceNamesW(module, u"typelib", &listName, reinterpret_cast<LONG_PTR>(&listing)));
    EXPECT_EQ(listing.names, (std::vector<std::u16string>{u"FIRST", u"#3", u"#7"}));
    Listing stopped{{}, 2};
    SetLastError(0);
    EXPECT_FALSE(EnumResourceNamesW(module, u"TYPELIB", &listName, reinterpret_cast<LONG_PTR>(&stopped)));
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_ENUM_USER_STOP);
    EXPECT_EQ(stopped.names.size(), 2u);
    FreeLibrary(module);
    SetLastError(0);
    EXPECT_FALSE(EnumResourceNamesW(nullptr, u"TYPELIB", &listName, reinterpret_cast<LONG_PTR>(&listing)));
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
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(Module, ReadsEachTypeLibraryResourceOrSaysWhyNot) {
    std::u16string const dll = fixturePath("ModuleFixture.dll");
    for (auto [index, file] : {std::pair{1, "ModuleLibraryA.tlb"}, std::pair{2, "ModuleLibraryB.tlb"}}) {
        auto read = readTypeLibResource(dll, index);
        ASSERT_TRUE(read) << file;
        EXPECT_EQ(std::vector(read->bytes.begin(), read->bytes.end()), readFixtureBytes(file));
    }
    EXPECT_EQ(readTypeLibResource(dll, 100).error(), TYPE_E_CANTLOADLIBRARY) << "resource 100 is no TYPELIB";
    EXPECT_EQ(readTypeLibResource(fixturePath("ModuleLibraryA.tlb"), 1).error(), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(readTypeLibResource(fixturePath(""), 1).error(), TYPE_E_CANTLOADLIBRARY) << "a directory";
    EXPECT_EQ(readTypeLibResource(dll, 0).error(), E_INVALIDARG);
    EXPECT_EQ(readTypeLibResource(dll, 65536).error(), E_INVALIDARG);
}

// Loaded twice, a shared object stays until freed twice; only its named
// symbols are found.
TEST(Module, LoadsSharedObjectsForTheirCode) {
    HMODULE module = LoadLibraryW(fixturePath("SharedObjectFixture.so").c_str());
    ASSERT_NE(module, nullptr) << lastLoaderMessage();
    EXPECT_EQ(LoadLibraryExW(fixturePath("SharedObjectFixture.so").c_str(), nullptr, 0), module);
    EXPECT_EQ(lastLoaderMessage(), "");
    // Through the untyped function pointer, as -Wcast-function-type wants.
    auto add = reinterpret_cast<AddFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module, "qorFixtureAdd")));
    ASSERT_NE(add, nullptr) << lastLoaderMessage();
    EXPECT_EQ(add(40, 2), 42);
    std::vector<WCHAR> buffer(MAX_PATH * 4);
    DWORD const length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    EXPECT_EQ(std::u16string(buffer.data(), length), absoluteFixturePath("SharedObjectFixture.so"));

    EXPECT_EQ(GetProcAddress(module, "qorFixtureSubtract"), nullptr);
    EXPECT_NE(lastLoaderMessage().find("qorFixtureSubtract"), std::string::npos) << lastLoaderMessage();
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(1)), nullptr) << "an ordinal";
    // The program's own scope holds what it was linked with, not what it
    // loaded since: those stay local.
    EXPECT_NE(GetProcAddress(nullptr, "SysAllocString"), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "qorFixtureAdd"), nullptr);

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(stillLoaded("SharedObjectFixture.so"));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(stillLoaded("SharedObjectFixture.so"));
}

// Each refusal with the last error Windows gives. A stranger is a handle no
// load gave, or a module of code with the bits of a resource handle.
TEST(Module, HandlesTellTheKindsApartAndRefuseWhatTheyCannotDo) {
    HMODULE code = LoadLibraryW(fixturePath("SharedObjectFixture.so").c_str());
    HMODULE data = loadFixture("ModuleFixture.dll");
    HMODULE image = LoadLibraryExW(fixturePath("ModuleFixture.dll").c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HMODULE other = loadFixture("NamedResources.dll");
    ASSERT_TRUE(code && data && image && other);
    EXPECT_FALSE(LDR_IS_RESOURCE(code));
    EXPECT_TRUE(LDR_IS_DATAFILE(data));
    EXPECT_TRUE(LDR_IS_IMAGEMAPPING(image));
    EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(2), u"TYPELIB"), nullptr);
    EXPECT_NE(FindResourceW(other, u"first", u"typelib"), nullptr) << "names compare without case";
    HRSRC const foreign = FindResourceW(other, MAKEINTRESOURCEW(3), u"TYPELIB");
    HMODULE const strangers[] = {reinterpret_cast<HMODULE>(0x1230), reinterpret_cast<HMODULE>(ULONG_PTR(code) | 1)};
    struct Refusal {
        char const* what;
        std::function<bool()> refused;
        DWORD error;
    };
    auto const expectRefused = [](std::initializer_list<Refusal> refusals) {
        for (Refusal const& r : refusals) {
            SetLastError(0);
            EXPECT_TRUE(r.refused()) << r.what;
            EXPECT_EQ(GetLastError(), r.error) << r.what;
        }
    };
    expectRefused({
        {"a missing name", [&] { return !FindResourceW(data, MAKEINTRESOURCEW(9), u"TYPELIB"); },
         ERROR_RESOURCE_NAME_NOT_FOUND},
        {"a missing type", [&] { return !FindResourceW(data, MAKEINTRESOURCEW(1), u"REGISTRY"); },
         ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"another module's resource, not read",
         [&] { return !LoadResource(data, foreign) && !SizeofResource(data, foreign); }, ERROR_INVALID_HANDLE},
        {"PE resources of a shared object", [&] { return !FindResourceW(code, MAKEINTRESOURCEW(2), u"TYPELIB"); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"code of a data file", [&] { return !GetProcAddress(data, "DllGetClassObject"); }, ERROR_INVALID_HANDLE},
        {"a missing symbol", [&] { return !GetProcAddress(code, "qorFixtureSubtract"); }, ERROR_PROC_NOT_FOUND},
        {"a stranger's symbol", [&] { return !GetProcAddress(strangers[0], "qorFixtureAdd"); }, ERROR_MOD_NOT_FOUND},
        {"a symbol of code taken for a resource handle",
         [&] { return !GetProcAddress(strangers[1], "qorFixtureAdd"); }, ERROR_MOD_NOT_FOUND},
    });
    for (HMODULE stranger : strangers) {
        EXPECT_FALSE(FreeLibrary(stranger));
        WCHAR name[MAX_PATH];
        EXPECT_EQ(GetModuleFileNameW(stranger, name, MAX_PATH), 0u);
    }
    for (HMODULE module : {image, data, code, other})
        EXPECT_TRUE(FreeLibrary(module));
    expectRefused({{"a freed data file", [&] { return !FreeLibrary(data); }, ERROR_INVALID_HANDLE},
                   {"a freed shared object", [&] { return !FreeLibrary(code); }, ERROR_INVALID_HANDLE},
                   {"a symbol of a freed one", [&] { return !GetProcAddress(code, "qorFixtureAdd"); },
                    ERROR_MOD_NOT_FOUND}});
}
