#include <gtest/gtest.h>

#include <thread>

#include "Platform/Com.h"
#include "Platform/Posix/Ole/Apartment.h"
#include "Platform/Posix/Ole/ClassRegistry.h"
#include "Platform/Posix/Ole/ProgIdRegistry.h"
#include "Support/RegisteredClass.h"

using qor::test::CountedObject;

namespace {

DEFINE_GUID(CLSID_Widget, 0x1c9e2b70, 0x4a11, 0x4d2e, 0x8f, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07);
DEFINE_GUID(CLSID_Gadget, 0x1c9e2b70, 0x4a11, 0x4d2e, 0x8f, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08);
DEFINE_GUID(IID_IWidget, 0x1c9e2b70, 0x4a11, 0x4d2e, 0x8f, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x09);

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

// Runs f on a thread of its own, whose apartment state starts empty.
template <class F>
void onNewThread(F f) {
    std::thread(f).join();
}

class ClassCreation : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
    void TearDown() override {
        CoUninitialize();
        EXPECT_TRUE(factory.balanced()) << factory.refCount();
        EXPECT_TRUE(product.balanced()) << product.refCount();
    }

    DWORD registerWidget(DWORD context = CLSCTX_INPROC_SERVER, DWORD flags = REGCLS_MULTIPLEUSE) {
        DWORD cookie = 0;
        EXPECT_EQ(CoRegisterClassObject(CLSID_Widget, factory.unknown(), context, flags, &cookie), S_OK);
        return cookie;
    }

    // Hands out one test-owned product.
    Widget product;
    qor::test::CountedClassFactory factory{
        [this](REFIID riid, void** ppv) { return product.QueryInterface(riid, ppv); }};
};

} // namespace

TEST(Apartment, CountsInitialisationsPerThreadAndKeepsItsModel) {
    onNewThread([] {
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
    });
}

TEST(Apartment, ClassCreationNeedsComInitialised) {
    onNewThread([] {
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
    });
}

TEST_F(ClassCreation, CreatesInstancesThroughTheRegisteredFactory) {
    DWORD cookie = registerWidget();
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
    DWORD cookie = registerWidget();
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
    DWORD cookie = registerWidget(CLSCTX_INPROC_SERVER);
    void* object = nullptr;
    EXPECT_EQ(CoGetClassObject(CLSID_Widget, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory, &object),
              REGDB_E_CLASSNOTREG);
    DWORD second = 0;
    EXPECT_EQ(CoRegisterClassObject(CLSID_Widget, factory.unknown(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &second),
              CO_E_OBJISREG);
    EXPECT_EQ(second, 0u);
    CoRevokeClassObject(cookie);

    // A local server for multiple use serves its own process in-process too.
    cookie = registerWidget(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE);
    ASSERT_EQ(CoGetClassObject(CLSID_Widget, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
    CoRevokeClassObject(cookie);

    // Single-use local servers serve other processes only; suspended
    // registrations nobody until resumed.
    for (DWORD flags : {DWORD(REGCLS_SINGLEUSE), DWORD(REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED)}) {
        cookie = registerWidget(flags == REGCLS_SINGLEUSE ? CLSCTX_LOCAL_SERVER : CLSCTX_INPROC_SERVER, flags);
        EXPECT_EQ(CoGetClassObject(CLSID_Widget, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object),
                  REGDB_E_CLASSNOTREG);
        if (flags != REGCLS_SINGLEUSE) {
            EXPECT_EQ(CoResumeClassObjects(), S_OK);
            ASSERT_EQ(CoGetClassObject(CLSID_Widget, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object), S_OK);
            static_cast<IUnknown*>(object)->Release();
        }
        CoRevokeClassObject(cookie);
    }
}

TEST_F(ClassCreation, EndingAThreadsApartmentRevokesItsClassObjects) {
    onNewThread([&] {
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        registerWidget();
        EXPECT_EQ(factory.refCount(), 2);
        OleUninitialize();
    });
    EXPECT_TRUE(factory.balanced());
    void* object = nullptr;
    EXPECT_EQ(CoGetClassObject(CLSID_Widget, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object),
              REGDB_E_CLASSNOTREG);
}

TEST(ProgId, ResolvesRegisteredProgIdsWithoutRegardToCase) {
    using qor::platform::posix::ole::registerProgId;
    using qor::platform::posix::ole::revokeProgId;
    ASSERT_EQ(registerProgId(u"Qor.Widget.1", CLSID_Widget), S_OK);
    CLSID clsid = CLSID_Gadget;
    EXPECT_EQ(CLSIDFromProgID(u"qor.WIDGET.1", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Widget);

    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_Widget, &progId), S_OK);
    EXPECT_EQ(std::u16string_view(progId), u"Qor.Widget.1");
    CoTaskMemFree(progId);

    // Registering again points the ProgID elsewhere.
    ASSERT_EQ(registerProgId(u"QOR.widget.1", CLSID_Gadget), S_OK);
    EXPECT_EQ(CLSIDFromProgID(u"Qor.Widget.1", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Gadget);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_Widget, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);

    EXPECT_EQ(revokeProgId(u"qor.widget.1"), S_OK);
    EXPECT_EQ(revokeProgId(u"qor.widget.1"), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(u"Qor.Widget.1", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(clsid, CLSID_NULL) << "an unknown ProgID leaves the null CLSID";
}

TEST(ProgId, RefusesWhatWindowsRefuses) {
    using qor::platform::posix::ole::registerProgId;
    for (std::u16string_view bad : {u"", u"1Widget", u"Qor Widget", u"Qor{Widget}",
                                    u"A123456789012345678901234567890123456789"})
        EXPECT_EQ(registerProgId(bad, CLSID_Widget), E_INVALIDARG) << bad.size();
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    EXPECT_EQ(CLSIDFromProgID(u"Qor.Widget", nullptr), E_INVALIDARG);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_Widget, nullptr), E_INVALIDARG);
}
