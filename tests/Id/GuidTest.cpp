#include "Id/Guid.h"

#include <gtest/gtest.h>

#include <unordered_set>

using qor::Guid;

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
    auto g = Guid::parse("{efa3f665-5c0f-4ac2-9228-0ad54c7bb5f7}");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->data1, 0xefa3f665u);
    EXPECT_EQ(g->data2, 0x5c0f);
    EXPECT_EQ(g->data3, 0x4ac2);
    EXPECT_EQ(g->data4[0], 0x92);
    EXPECT_EQ(g->data4[7], 0xf7);
    EXPECT_EQ(g->toString(), "{EFA3F665-5C0F-4AC2-9228-0AD54C7BB5F7}");
    EXPECT_EQ(Guid::parse("EFA3F665-5C0F-4AC2-9228-0AD54C7BB5F7"), g);
}

TEST(Guid, RejectsMalformedText) {
    for (auto text : {"", "{}", "efa3f665-5c0f-4ac2-9228-0ad54c7bb5f", "{efa3f665-5c0f-4ac2-9228-0ad54c7bb5f7",
                      "efa3f665x5c0f-4ac2-9228-0ad54c7bb5f7", "efa3f665-5c0f-4ac2-9228-0ad54c7bb5g7",
                      "+fa3f665-5c0f-4ac2-9228-0ad54c7bb5f7"})
        EXPECT_FALSE(Guid::parse(text)) << text;
}

TEST(Guid, OrdersHashesAndConvertsToGuidShapedStructs) {
    struct WinGuid { unsigned int Data1; unsigned short Data2, Data3; unsigned char Data4[8]; };
    Guid a = *Guid::parse("00000000-0000-0000-C000-000000000046");
    Guid b = *Guid::parse("00020400-0000-0000-C000-000000000046");
    EXPECT_LT(a, b);
    std::unordered_set<Guid, Guid::hash> set{a, b, a};
    EXPECT_EQ(set.size(), 2u);
    auto w = b.to<WinGuid>();
    EXPECT_EQ(w.Data1, 0x00020400u);
    EXPECT_EQ(w.Data4[0], 0xC0);
    EXPECT_EQ(Guid(w), b);
    EXPECT_TRUE(Guid{}.isNull());
}
