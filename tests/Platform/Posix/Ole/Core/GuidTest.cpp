#include <gtest/gtest.h>

#include <string_view>

#include "Platform/Com.h"

DEFINE_GUID(IID_IProbeWidget, 0xEFA3F665, 0x5C0F, 0x4AC2, 0x92, 0x28, 0x0A, 0xD5, 0x4C, 0x7B, 0xB5, 0xF7);

// The runtime's own interfaces are compared with mingw-w64's by WindowsAbiTest.
struct DECLSPEC_UUID("efa3f665-5c0f-4ac2-9228-0ad54c7bb5f7") IProbeWidget : public IDispatch {
    STDMETHOD(Spin)(LONG turns) PURE;
};
OLE_DECLARE_UUIDOF(IProbeWidget, IID_IProbeWidget);

namespace {

TEST(OleGuid, TextFormRoundTripsAndBadTextIsRefused)
{
    EXPECT_EQ(__uuidof(IProbeWidget), IID_IProbeWidget);
    OLECHAR text[39];
    ASSERT_EQ(StringFromGUID2(uuidof<IProbeWidget>(), text, 39), 39);
    EXPECT_EQ(std::u16string_view(text), u"{EFA3F665-5C0F-4AC2-9228-0AD54C7BB5F7}");
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(text, &clsid), S_OK);
    EXPECT_EQ(clsid, IID_IProbeWidget);
    EXPECT_EQ(StringFromGUID2(IID_IUnknown, text, 38), 0);

    for (char16_t const* bad : {u"A6EF9860-C720-11D0-9337-00A0C90DCAA9", u"{A6EF9860-C720-11D0-9337-00A0C90DCAAZ}",
                                u"Excel.Application"})
        EXPECT_EQ(CLSIDFromString(bad, &clsid), CO_E_CLASSSTRING);
    IID iid{};
    EXPECT_EQ(IIDFromString(u"{}", &iid), E_INVALIDARG);
    EXPECT_EQ(IIDFromString(nullptr, &iid), S_OK);
    EXPECT_EQ(iid, IID_NULL);
}

} // namespace
