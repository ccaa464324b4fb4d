// Class objects registered by the process and in-process servers registered
// in the registry file, and the creation of objects through both.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "Platform/Com.h"
#include "Platform/Posix/Ole/Core/Apartment.h"
#include "Platform/Posix/Ole/Core/ClassRegistry.h"
#include "Platform/Posix/Ole/Core/ProgIdRegistry.h"
#include "String/Utf.h"
#include "Support/RegisteredClass.h"

using qor::string::utf8ToUtf16;
using qor::test::CountedObject;

namespace {

DEFINE_GUID(CLSID_Widget, 0x1c9e2b70, 0x4a11, 0x4d2e, 0x8f, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07);
DEFINE_GUID(CLSID_Gadget, 0x1c9e2b70, 0x4a11, 0x4d2e, 0x8f, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08);
DEFINE_GUID(IID_IWidget, 0x1c9e2b70, 0x4a11, 0x4d2e, 0x8f, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x09);
// Classes of the fixture servers.
DEFINE_GUID(CLSID_Counted, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x01);
DEFINE_GUID(CLSID_Failing, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x02);
DEFINE_GUID(CLSID_NoObject, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x11);
DEFINE_GUID(CLSID_Throwing, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x12);
constexpr char const* countedClsid = "{5D0E7A10-2B3C-4D5E-9F10-111213141501}";

struct IWidget : IUnknown {
    STDMETHOD(Spin)() PURE;
};

} // namespace

OLE_DECLARE_UUIDOF(IWidget, IID_IWidget);

namespace {

class Widget : public CountedObject<IWidget> {
public:
    STDMETHODIMP Spin() override { return S_OK; }
};

// The ProgID ProgIDFromCLSID gives back for `clsid`; empty when it fails.
std::u16string progIdOf(CLSID const& clsid) {
    LPOLESTR progId = nullptr;
    if (ProgIDFromCLSID(clsid, &progId) != S_OK)
        return {};
    std::u16string text(progId);
    CoTaskMemFree(progId);
    return text;
}

std::string const fixtureDir = QOR_FIXTURE_MODULES_DIR;
std::string const serverPath = fixtureDir + "/InprocServerFixture.so";

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

// An initialised apartment, a class factory of the test's own, and a private
// registry file in a folder of its own.
class ClassCreation : public testing::Test {
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
        EXPECT_TRUE(factory.balanced()) << factory.refCount();
        EXPECT_TRUE(product.balanced()) << product.refCount();
    }

    DWORD registerFactory(CLSID const& clsid, DWORD context = CLSCTX_INPROC_SERVER, DWORD flags = REGCLS_MULTIPLEUSE) {
        DWORD cookie = 0;
        EXPECT_EQ(CoRegisterClassObject(clsid, factory.unknown(), context, flags, &cookie), S_OK);
        return cookie;
    }
    HRESULT registerCounted(std::string const& library = serverPath) {
        return QorRegisterInprocServer(CLSID_Counted, utf8ToUtf16(library).c_str(), u"Fixture.Counted.1",
                                       u"Fixture.Counted", u"A counted fixture");
    }
    void writeRegistry(std::string const& text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
    // Whether a class factory for CLSID_Widget can be had in `context`.
    static HRESULT widgetFactory(DWORD context = CLSCTX_INPROC_SERVER) {
        IUnknown* object = nullptr;
        HRESULT const hr =
            CoGetClassObject(CLSID_Widget, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&object));
        if (object != nullptr)
            object->Release();
        return hr;
    }
    HRESULT create(CLSID const& clsid, IUnknown** object) {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(object));
    }

    // Hands out one test-owned product.
    Widget product;
    qor::test::CountedClassFactory factory{
        [this](REFIID riid, void** ppv) { return product.QueryInterface(riid, ppv); }};
    std::filesystem::path folder;
    std::filesystem::path file;
};

} // namespace

// On a thread of its own, whose apartment state starts empty.
TEST(Apartment, CountsInitialisationsPerThreadAndKeepsItsModel) {
    std::thread([] {
        // Nothing is created or registered before COM is initialised.
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoCreateInstance(CLSID_Widget, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(object, nullptr);
        Widget factory;
        DWORD cookie = 1;
        EXPECT_EQ(CoRegisterClassObject(CLSID_Widget, factory.unknown(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &cookie),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(cookie, 0u);
        EXPECT_TRUE(factory.balanced());

        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
        EXPECT_EQ(OleInitialize(nullptr), RPC_E_CHANGED_MODE) << "OLE needs a single-threaded apartment";
        CoUninitialize();
        CoUninitialize();
        CoUninitialize(); // unbalanced: ignored
        EXPECT_EQ(OleInitialize(nullptr), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        CoUninitialize();
        OleUninitialize();
        EXPECT_EQ(CoInitializeEx(reinterpret_cast<void*>(1), COINIT_MULTITHREADED), E_INVALIDARG);
    }).join();
}

TEST_F(ClassCreation, CreatesInstancesThroughTheRegisteredFactory) {
    DWORD cookie = registerFactory(CLSID_Widget);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(factory.refCount(), 2) << "the registration holds a reference";

    IWidget* widget = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Widget, nullptr, CLSCTX_SERVER, IID_IWidget, reinterpret_cast<void**>(&widget)),
              S_OK);
    EXPECT_EQ(widget, static_cast<IWidget*>(&product));
    EXPECT_EQ(product.refCount(), 2) << "one reference for the caller";
    EXPECT_EQ(factory.refCount(), 2) << "the factory used for the creation was released";
    widget->Release();

    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_Widget, nullptr, CLSCTX_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ClassCreation, ReportsRefusalsOfTheFactoryAndOfTheObject) {
    DWORD cookie = registerFactory(CLSID_Widget);
    CountedObject<IUnknown> outer;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_Widget, outer.unknown(), CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_Widget, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_Widget, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);

    // A class object that is no factory can still be fetched, not used.
    Widget notAFactory;
    DWORD other = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_Gadget, notAFactory.unknown(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &other),
              S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_Gadget, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), E_NOINTERFACE);
    ASSERT_EQ(CoGetClassObject(CLSID_Gadget, CLSCTX_INPROC_SERVER, nullptr, IID_IWidget, &object), S_OK);
    EXPECT_EQ(object, static_cast<IWidget*>(&notAFactory));
    static_cast<IWidget*>(object)->Release();
    EXPECT_EQ(CoRevokeClassObject(other), S_OK);
    EXPECT_TRUE(notAFactory.balanced());
    EXPECT_TRUE(outer.balanced());
    CoRevokeClassObject(cookie);
}

TEST_F(ClassCreation, MatchesRegistrationsByContext) {
    DWORD cookie = registerFactory(CLSID_Widget);
    EXPECT_EQ(widgetFactory(CLSCTX_LOCAL_SERVER), REGDB_E_CLASSNOTREG);
    DWORD second = 0;
    EXPECT_EQ(CoRegisterClassObject(CLSID_Widget, factory.unknown(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &second),
              CO_E_OBJISREG);
    EXPECT_EQ(second, 0u);
    CoRevokeClassObject(cookie);

    // A local server for multiple use serves its own process in-process too.
    cookie = registerFactory(CLSID_Widget, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE);
    EXPECT_EQ(widgetFactory(), S_OK);
    CoRevokeClassObject(cookie);

    // Single-use local servers serve other processes only; suspended
    // registrations nobody until resumed.
    for (DWORD flags : {DWORD(REGCLS_SINGLEUSE), DWORD(REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED)}) {
        DWORD const context = flags == REGCLS_SINGLEUSE ? CLSCTX_LOCAL_SERVER : CLSCTX_INPROC_SERVER;
        cookie = registerFactory(CLSID_Widget, context, flags);
        EXPECT_EQ(widgetFactory(), REGDB_E_CLASSNOTREG);
        if (flags != REGCLS_SINGLEUSE) {
            EXPECT_EQ(CoResumeClassObjects(), S_OK);
            EXPECT_EQ(widgetFactory(), S_OK);
        }
        CoRevokeClassObject(cookie);
    }
}

TEST_F(ClassCreation, EndingAThreadsApartmentRevokesItsClassObjects) {
    std::thread([&] {
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        registerFactory(CLSID_Widget);
        EXPECT_EQ(factory.refCount(), 2);
        OleUninitialize();
    }).join();
    EXPECT_TRUE(factory.balanced());
    EXPECT_EQ(widgetFactory(), REGDB_E_CLASSNOTREG);
}

TEST(ProgId, ResolvesRegisteredProgIdsWithoutRegardToCaseAndRefusesWhatWindowsRefuses) {
    using qor::platform::posix::ole::registerProgId;
    using qor::platform::posix::ole::revokeProgId;
    ASSERT_EQ(registerProgId(u"Qor.Widget.1", CLSID_Widget), S_OK);
    CLSID clsid = CLSID_Gadget;
    EXPECT_EQ(CLSIDFromProgID(u"qor.WIDGET.1", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Widget);

    EXPECT_EQ(progIdOf(CLSID_Widget), u"Qor.Widget.1");

    // Registering again points the ProgID elsewhere.
    ASSERT_EQ(registerProgId(u"QOR.widget.1", CLSID_Gadget), S_OK);
    EXPECT_EQ(CLSIDFromProgID(u"Qor.Widget.1", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Gadget);
    LPOLESTR progId = nullptr;
    EXPECT_EQ(ProgIDFromCLSID(CLSID_Widget, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);

    EXPECT_EQ(revokeProgId(u"qor.widget.1"), S_OK);
    EXPECT_EQ(revokeProgId(u"qor.widget.1"), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(u"Qor.Widget.1", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(clsid, CLSID_NULL) << "an unknown ProgID leaves the null CLSID";

    for (std::u16string_view bad : {u"", u"1Widget", u"Qor Widget", u"Qor{Widget}",
                                    u"A123456789012345678901234567890123456789"})
        EXPECT_EQ(registerProgId(bad, CLSID_Widget), E_INVALIDARG) << bad.size();
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    EXPECT_EQ(CLSIDFromProgID(u"Qor.Widget", nullptr), E_INVALIDARG);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_Widget, nullptr), E_INVALIDARG);
}

TEST_F(ClassCreation, RegistersAndUnregistersAServerInAReadableFile) {
    EXPECT_EQ(qor::platform::posix::ole::componentRegistryPath(), file);
    ASSERT_EQ(registerCounted(), S_OK);
    std::string const text = readFile(file);
    for (char const* entry : {"\"Fixture.Counted\"", countedClsid, "\"CurVer\": \"Fixture.Counted.1\""})
        EXPECT_NE(text.find(entry), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));

    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"fixture.counted", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Counted);
    EXPECT_EQ(progIdOf(CLSID_Counted), u"Fixture.Counted.1");

    EXPECT_EQ(QorUnregisterInprocServer(CLSID_Counted), S_OK);
    EXPECT_EQ(QorUnregisterInprocServer(CLSID_Counted), S_FALSE);
    EXPECT_EQ(CLSIDFromProgID(u"Fixture.Counted", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(QorRegisterInprocServer(CLSID_Counted, u"/x.so", u"9bad", nullptr, nullptr), E_INVALIDARG);
}

TEST_F(ClassCreation, CreatesThroughTheServerAndUnloadsItWhenUnused) {
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

    // A class object the process registers comes before the registry file.
    DWORD cookie = registerFactory(CLSID_Counted);
    ASSERT_EQ(create(CLSID_Counted, &object), S_OK);
    EXPECT_EQ(object, product.unknown());
    object->Release();
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST_F(ClassCreation, AMalformedOrTruncatedFileServesNothingAndIsNotOverwritten) {
    std::string const whole = std::string(R"({"ProgIDs": {"Fixture.Counted": {"CLSID": ")") + countedClsid +
                              R"("}}, "CLSIDs": {")" + countedClsid + R"(": {"InprocServer32": ")" + serverPath +
                              R"("}}})";
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

TEST_F(ClassCreation, AMalformedEntryLeavesTheOthersWorking) {
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
    ASSERT_EQ(QorRegisterInprocServer(CLSID_Failing, utf8ToUtf16(serverPath).c_str(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_NE(readFile(file).find("not-a-guid"), std::string::npos);
}

TEST_F(ClassCreation, ServersThatCannotServeGiveTheirErrors) {
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    ASSERT_EQ(registerCounted(fixtureDir + "/NoSuchServer.so"), S_OK);
    EXPECT_EQ(create(CLSID_Counted, &object), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(registerCounted(fixtureDir + "/SharedObjectFixture.so"), S_OK);
    EXPECT_EQ(create(CLSID_Counted, &object), CO_E_ERRORINDLL);

    ASSERT_EQ(QorRegisterInprocServer(CLSID_Failing, utf8ToUtf16(serverPath).c_str(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(create(CLSID_Failing, &object), E_ACCESSDENIED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(serverLiveObjects(), 0) << "the failing factory was not released";

    // A class object that is a success without an object, one that throws,
    // and a DllCanUnloadNow that throws; a server that is no library is
    // tests/Faults/servers.sh's.
    std::string const broken = fixtureDir + "/BrokenServerFixture.so";
    for (CLSID const& clsid : {CLSID_NoObject, CLSID_Throwing}) {
        ASSERT_EQ(QorRegisterInprocServer(clsid, utf8ToUtf16(broken).c_str(), nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(create(clsid, &object), CO_E_ERRORINDLL);
        EXPECT_EQ(object, nullptr);
    }
    CoFreeUnusedLibraries();
}
