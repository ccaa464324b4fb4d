#include "Platform/Windows/Com/OleActivation.h"

#include "Support/CountedObject.h"

#include <gtest/gtest.h>

namespace qor::platform::windows::com {
namespace {

using test::CountedDispatch;
using test::CountedObject;

Guid const calculatorId{0x5a0c4f1e, 0x7d1b, 0x4c2e, {0x9a, 0x53, 0x0f, 0x6d, 0x2b, 0x8e, 0x1c, 0x77}};

TEST(OleActivation, AnUnregisteredProgIdGivesTheNilGuidAndNoObject) {
    for (char const* progId : {"Qor.NoSuchClass.1", ""})
        EXPECT_TRUE(clsidFromProgId(progId).isNull()) << progId;
    EXPECT_EQ(createInstance(Guid{}.to<CLSID>(), IID_IDispatch), nullptr);
}

#ifndef _WIN32
// Makes one CountedDispatch, the object the test inspects afterwards.
class DispatchFactory : public CountedObject<IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        return made.QueryInterface(riid, object);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

    CountedDispatch made;
};

TEST(OleActivation, ARegisteredProgIdLeadsToANewObjectWithBalancedReferences) {
    ensureOleInitialized();
    DispatchFactory factory;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(calculatorId.to<CLSID>(), factory.unknown(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    ASSERT_EQ(posix::ole::registerProgId(u"Qor.Calculator.1", calculatorId.to<CLSID>()), S_OK);

    Guid const clsid = clsidFromProgId("Qor.Calculator.1");
    EXPECT_EQ(clsid, calculatorId);
    IUnknown* object = createInstance(clsid.to<CLSID>(), IID_IDispatch);
    EXPECT_EQ(object, static_cast<IUnknown*>(static_cast<IDispatch*>(&factory.made)));
    if (object != nullptr)
        object->Release();
    EXPECT_TRUE(factory.made.balanced());

    posix::ole::revokeProgId(u"Qor.Calculator.1");
    CoRevokeClassObject(cookie);
    EXPECT_TRUE(factory.balanced());
}
#endif

} // namespace
} // namespace qor::platform::windows::com
