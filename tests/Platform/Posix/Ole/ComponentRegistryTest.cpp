#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Platform/Com.h"
#include "Support/CountedObject.h"

namespace {

DEFINE_GUID(CLSID_Counted, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x01);
DEFINE_GUID(CLSID_Failing, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x02);
DEFINE_GUID(CLSID_NoObject, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x11);
DEFINE_GUID(CLSID_Throwing, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x12);
constexpr char const* countedClsid = "{5D0E7A10-2B3C-4D5E-9F10-111213141501}";

std::string const fixtureDir = QOR_FIXTURE_MODULES_DIR;
std::string const serverPath = fixtureDir + "/InprocServerFixture.so";

std::u16string u16(std::string const& text) {
    return std::u16string(text.begin(), text.end());
}

std::string readFile(std::filesystem::path const& path) {
    std::ifstream stream(path, std::ios::binary);
    std::stringstream text;
    text << stream.rdbuf();
    return text.str();
}

// The fixture server's live objects, read without loading it: -1 when it is
// not loaded.
long serverLiveObjects() {
    void* handle = dlopen(serverPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return -1;
    auto count = reinterpret_cast<long (*)()>(dlsym(handle, "InprocFixtureLiveObjects"));
    long const live = count ? count() : -2;
    dlclose(handle);
    return live;
}

// A private registry file per test, in a folder of its own.
class ComponentRegistry : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qor-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        file = folder / "sub" / "ole-registry.json";
        setenv("QOR_OLE_REGISTRY", file.c_str(), 1);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        unsetenv("QOR_OLE_REGISTRY");
        std::filesystem::remove_all(folder);
    }

    HRESULT registerCounted(std::string const& library = serverPath) {
        return QorRegisterInprocServer(CLSID_Counted, u16(library).c_str(), u"Fixture.Counted.1", u"Fixture.Counted",
                                       u"A counted fixture");
    }
    void writeRegistry(std::string const& text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
    std::string registryFor(std::string const& clsid, std::string const& library) {
        return R"({"ProgIDs": {"Fixture.Counted": {"CLSID": ")" + clsid + R"("}}, "CLSIDs": {")" + clsid +
               R"(": {"InprocServer32": ")" + library + R"("}}})";
    }
    HRESULT create(CLSID const& clsid, IUnknown** object) {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(object));
    }

    std::filesystem::path folder;
    std::filesystem::path file;
};

TEST_F(ComponentRegistry, RegistersAndUnregistersAServerInAReadableFile) {
    EXPECT_EQ(qor::platform::posix::ole::componentRegistryPath(), file);
    ASSERT_EQ(registerCounted(), S_OK);
    std::string const text = readFile(file);
    EXPECT_NE(text.find("\"Fixture.Counted\""), std::string::npos) << text;
    EXPECT_NE(text.find(countedClsid), std::string::npos) << text;
    EXPECT_NE(text.find("\"CurVer\": \"Fixture.Counted.1\""), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));

    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"fixture.counted", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Counted);
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_Counted, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), u"Fixture.Counted.1");
    CoTaskMemFree(progId);

    EXPECT_EQ(QorUnregisterInprocServer(CLSID_Counted), S_OK);
    EXPECT_EQ(QorUnregisterInprocServer(CLSID_Counted), S_FALSE);
    EXPECT_EQ(CLSIDFromProgID(u"Fixture.Counted", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(QorRegisterInprocServer(CLSID_Counted, u"/x.so", u"9bad", nullptr, nullptr), E_INVALIDARG);
}

TEST_F(ComponentRegistry, CreatesThroughTheServerAndUnloadsItWhenUnused) {
    ASSERT_EQ(registerCounted(), S_OK);
    IUnknown* object = nullptr;
    ASSERT_EQ(create(CLSID_Counted, &object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(serverLiveObjects(), 1);
    CoFreeUnusedLibraries();
    EXPECT_EQ(serverLiveObjects(), 1) << "unloaded while an object lives";
    object->Release();
    EXPECT_EQ(serverLiveObjects(), 0);
    CoFreeUnusedLibraries();
    EXPECT_EQ(serverLiveObjects(), -1) << "still loaded";
    // Loaded again on demand.
    ASSERT_EQ(create(CLSID_Counted, &object), S_OK);
    object->Release();
}

TEST_F(ComponentRegistry, AMalformedOrTruncatedFileServesNothingAndIsNotOverwritten) {
    std::string const whole = registryFor(countedClsid, serverPath);
    for (std::string const& text : {std::string("{ not json"), whole.substr(0, whole.size() / 2), std::string("[]")}) {
        writeRegistry(text);
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(u"Fixture.Counted", &clsid), CO_E_CLASSSTRING) << text;
        IUnknown* object = nullptr;
        EXPECT_EQ(create(CLSID_Counted, &object), REGDB_E_CLASSNOTREG) << text;
        EXPECT_EQ(registerCounted(), HRESULT_FROM_WIN32(ERROR_BADDB)) << text;
        EXPECT_EQ(QorUnregisterInprocServer(CLSID_Counted), HRESULT_FROM_WIN32(ERROR_BADDB)) << text;
        EXPECT_EQ(readFile(file), text);
    }
}

TEST_F(ComponentRegistry, AMalformedEntryLeavesTheOthersWorking) {
    writeRegistry(std::string(R"({"ProgIDs": {"Bad.One": 5, "Bad.Two": {"CLSID": "nonsense"},
        "Fixture.Counted": {"CLSID": ")") + countedClsid + R"("}},
      "CLSIDs": {"not-a-guid": {"InprocServer32": "/x.so"}, "{5D0E7A10-2B3C-4D5E-9F10-111213141502}": [],
        ")" + countedClsid + R"(": {"InprocServer32": ")" + serverPath + R"("}}})");
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Bad.Two", &clsid), CO_E_CLASSSTRING);
    ASSERT_EQ(CLSIDFromProgID(u"Fixture.Counted", &clsid), S_OK);
    IUnknown* object = nullptr;
    EXPECT_EQ(create(CLSID_Failing, &object), REGDB_E_CLASSNOTREG);
    ASSERT_EQ(create(clsid, &object), S_OK);
    object->Release();
    // A writer keeps what it does not understand.
    ASSERT_EQ(QorRegisterInprocServer(CLSID_Failing, u16(serverPath).c_str(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_NE(readFile(file).find("not-a-guid"), std::string::npos);
}

TEST_F(ComponentRegistry, ServersThatCannotServeGiveTheirErrors) {
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    ASSERT_EQ(registerCounted(fixtureDir + "/NoSuchServer.so"), S_OK);
    EXPECT_EQ(create(CLSID_Counted, &object), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(registerCounted(fixtureDir + "/SharedObjectFixture.so"), S_OK);
    EXPECT_EQ(create(CLSID_Counted, &object), CO_E_ERRORINDLL);

    ASSERT_EQ(QorRegisterInprocServer(CLSID_Failing, u16(serverPath).c_str(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(create(CLSID_Failing, &object), E_ACCESSDENIED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(serverLiveObjects(), 0) << "the failing factory was not released";

    // A class object that is a success without an object, one that throws,
    // and a DllCanUnloadNow that throws; a server that is no library is
    // tests/Faults/servers.sh's.
    std::string const broken = fixtureDir + "/BrokenServerFixture.so";
    for (CLSID const& clsid : {CLSID_NoObject, CLSID_Throwing}) {
        ASSERT_EQ(QorRegisterInprocServer(clsid, u16(broken).c_str(), nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(create(clsid, &object), CO_E_ERRORINDLL);
        EXPECT_EQ(object, nullptr);
    }
    CoFreeUnusedLibraries();
}

TEST_F(ComponentRegistry, ProcessRegistrationsComeFirst) {
    ASSERT_EQ(registerCounted(), S_OK);
    qor::test::CountedDispatch classObject;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_Counted, classObject.unknown(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie),
              S_OK);
    IUnknown* found = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_Counted, CLSCTX_INPROC_SERVER, nullptr, IID_IUnknown,
                               reinterpret_cast<void**>(&found)),
              S_OK);
    EXPECT_EQ(found, classObject.unknown());
    found->Release();
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_TRUE(classObject.balanced()) << classObject.refCount();
}

} // namespace
