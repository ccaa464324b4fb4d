#include <gtest/gtest.h>

#include <string>

#include "Platform/Com.h"
#include "Support/CountedEnumVariant.h"
#include "Support/CountedObject.h"

DEFINE_GUID(IID_IProbeWidget, 0xEFA3F665, 0x5C0F, 0x4AC2, 0x92, 0x28, 0x0A, 0xD5, 0x4C, 0x7B, 0xB5, 0xF7);

struct DECLSPEC_UUID("efa3f665-5c0f-4ac2-9228-0ad54c7bb5f7") IProbeWidget : public IDispatch {
    STDMETHOD(Spin)(LONG turns) PURE;
};
OLE_DECLARE_UUIDOF(IProbeWidget, IID_IProbeWidget);

namespace {

using qor::test::CountedObject;

TEST(Interface, ProductInterfacesDeclareTheirOwnIdentifier)
{
    EXPECT_EQ(__uuidof(IProbeWidget), IID_IProbeWidget);
    OLECHAR text[39];
    StringFromGUID2(uuidof<IProbeWidget>(), text, 39);
    EXPECT_EQ(std::u16string(text), u"{EFA3F665-5C0F-4AC2-9228-0AD54C7BB5F7}");
}

// The runtime's own interfaces are compared with mingw-w64's by WindowsAbiTest.
TEST(Interface, CountedObjectBalancesQueryInterface)
{
    struct Enum : CountedObject<IEnumVARIANT> {
        STDMETHODIMP Next(ULONG, VARIANT*, ULONG*) override { return S_FALSE; }
        STDMETHODIMP Skip(ULONG) override { return S_FALSE; }
        STDMETHODIMP Reset() override { return S_OK; }
        STDMETHODIMP Clone(IEnumVARIANT**) override { return E_NOTIMPL; }
    } object;

    IEnumVARIANT* found = nullptr;
    ASSERT_EQ(object.QueryInterface(&found), S_OK);
    EXPECT_EQ(found, static_cast<IEnumVARIANT*>(&object));
    EXPECT_EQ(object.refCount(), 2);
    IDispatch* none = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(object.QueryInterface(&none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    found->Release();
    EXPECT_TRUE(object.balanced());

    object.failQueryInterface();
    IUnknown* unknown = nullptr;
    EXPECT_EQ(object.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
    EXPECT_EQ(object.addRefs(), 1);
    EXPECT_EQ(object.releases(), 1);
}

TEST(Interface, CountedEnumVariantHandsOutCopies)
{
    qor::test::CountedDispatch item;
    {
        qor::test::CountedEnumVariant items({_variant_t(1), _variant_t(static_cast<IDispatch*>(&item))});
        VARIANT got[3];
        ULONG fetched = 0;
        EXPECT_EQ(items.Next(3, got, &fetched), S_FALSE);
        ASSERT_EQ(fetched, 2u);
        EXPECT_EQ(got[0].lVal, 1);
        EXPECT_EQ(item.refCount(), 3);
        VariantClear(&got[0]);
        VariantClear(&got[1]);
        EXPECT_EQ(items.Next(1, got, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 0u);
        EXPECT_TRUE(items.balanced());
    }
    EXPECT_TRUE(item.balanced());
}

} // namespace
