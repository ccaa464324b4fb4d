#include "Platform/Windows/Com/OleActivation.h"

#include <gtest/gtest.h>

namespace qor::platform::windows::com {
namespace {

// Registered classes are created, and their references balanced, through
// `new ActiveXObject`; here what leads to no object.
TEST(OleActivation, AnUnknownProgIdOrClassLeadsToNothing) {
    for (char const* progId : {"Qor.NoSuchClass.1", ""})
        EXPECT_TRUE(clsidFromProgId(progId).isNull()) << progId;
    EXPECT_EQ(createInstance(Guid{}.to<CLSID>(), IID_IDispatch), nullptr);
}

} // namespace
} // namespace qor::platform::windows::com
