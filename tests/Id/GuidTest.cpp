#include "Id/Guid.h"

#include <gtest/gtest.h>

using qor::Guid;

TEST(Guid, ParsesTheRegistryFormWithOrWithoutBraces) {
    auto g = Guid::parse("{efa3f665-5c0f-4ac2-9228-0ad54c7bb5f7}");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->toString(), "{EFA3F665-5C0F-4AC2-9228-0AD54C7BB5F7}");
    EXPECT_EQ(Guid::parse("EFA3F665-5C0F-4AC2-9228-0AD54C7BB5F7"), g);
    for (auto text : {"", "{}", "efa3f665-5c0f-4ac2-9228-0ad54c7bb5f", "{efa3f665-5c0f-4ac2-9228-0ad54c7bb5f7",
                      "efa3f665x5c0f-4ac2-9228-0ad54c7bb5f7", "efa3f665-5c0f-4ac2-9228-0ad54c7bb5g7",
                      "+fa3f665-5c0f-4ac2-9228-0ad54c7bb5f7"})
        EXPECT_FALSE(Guid::parse(text)) << text;
}
