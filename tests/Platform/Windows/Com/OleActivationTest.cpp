#include "Platform/Windows/Com/OleActivation.h"

#ifndef _WIN32
#include "Support/RegisteredClass.h"
#endif

#include <gtest/gtest.h>

namespace qor::platform::windows::com {
namespace {

TEST(OleActivation, AProgIdLeadsToANewObjectWithBalancedReferencesOrToNothing) {
    for (char const* progId : {"Qor.NoSuchClass.1", ""})
        EXPECT_TRUE(clsidFromProgId(progId).isNull()) << progId;
    EXPECT_EQ(createInstance(Guid{}.to<CLSID>(), IID_IDispatch), nullptr);
#ifndef _WIN32
    Guid const calculatorId{0x5a0c4f1e, 0x7d1b, 0x4c2e, {0x9a, 0x53, 0x0f, 0x6d, 0x2b, 0x8e, 0x1c, 0x77}};
    test::CountedDispatch made;
    test::CountedClassFactory factory([&](REFIID riid, void** object) { return made.QueryInterface(riid, object); });
    {
        test::RegisteredClass registered(calculatorId, u"Qor.Calculator.1", &factory);
        Guid const clsid = clsidFromProgId("Qor.Calculator.1");
        EXPECT_EQ(clsid, calculatorId);
        IUnknown* object = createInstance(clsid.to<CLSID>(), IID_IDispatch);
        EXPECT_EQ(object, made.unknown());
        if (object != nullptr)
            object->Release();
    }
    EXPECT_TRUE(made.balanced());
    EXPECT_TRUE(factory.balanced());
#endif
}

} // namespace
} // namespace qor::platform::windows::com
