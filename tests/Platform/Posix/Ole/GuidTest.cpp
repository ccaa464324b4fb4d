#include <gtest/gtest.h>

#include <string_view>

#include "Platform/Com.h"

namespace {

TEST(OleGuid, TextFormRoundTrips)
{
    OLECHAR text[39];
    ASSERT_EQ(StringFromGUID2(IID_IDispatchEx, text, 39), 39);
    EXPECT_EQ(std::u16string_view(text), u"{A6EF9860-C720-11D0-9337-00A0C90DCAA9}");

    IID parsed{};
    EXPECT_EQ(IIDFromString(u"{a6ef9860-c720-11d0-9337-00a0c90dcaa9}", &parsed), S_OK);
    EXPECT_TRUE(IsEqualGUID(parsed, IID_IDispatchEx));
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(text, &clsid), S_OK);
    EXPECT_EQ(clsid, IID_IDispatchEx);
}

TEST(OleGuid, BadTextIsRefused)
{
    OLECHAR small[38];
    EXPECT_EQ(StringFromGUID2(IID_IUnknown, small, 38), 0);

    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(u"A6EF9860-C720-11D0-9337-00A0C90DCAA9", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"{A6EF9860-C720-11D0-9337-00A0C90DCAAZ}", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"Excel.Application", &clsid), CO_E_CLASSSTRING);
    IID iid{};
    EXPECT_EQ(IIDFromString(u"{}", &iid), E_INVALIDARG);
    EXPECT_EQ(IIDFromString(nullptr, &iid), S_OK);
    EXPECT_EQ(iid, IID_NULL);
}

} // namespace
