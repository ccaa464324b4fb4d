// A shared list's elements go with its last holder, once, whether its block
// is the heap's or in table memory.

#include "Format/Engine/JavaScript/Com/Extraction/SharedList.h"
#include "Platform/TableMemory.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace qor::format::engine::javascript {
namespace {

struct Counted {
    explicit Counted(int& alive) : alive(&alive) { ++alive; }
    Counted(Counted const& other) : alive(other.alive) { ++*alive; }
    ~Counted() { --*alive; }
    int* alive;
};

TEST(SharedList, ElementsGoWithTheLastHolderOnce) {
    platform::TableMemory tables(4096);
    for (std::pmr::memory_resource* memory : {static_cast<std::pmr::memory_resource*>(nullptr),
                                              static_cast<std::pmr::memory_resource*>(&tables)}) {
        int alive = 0;
        {
            std::vector<Counted> made(3, Counted(alive));
            std::optional<SharedList<Counted>> first(std::in_place, made.begin(), made.size(), memory);
            made.clear();
            EXPECT_EQ(alive, 3);
            SharedList<Counted> second = *first;
            SharedList<Counted> third;
            third = second;
            first.reset();
            EXPECT_EQ(alive, 3);
            EXPECT_EQ(third.size(), 3u);
            EXPECT_EQ(third.begin(), second.begin());
        }
        EXPECT_EQ(alive, 0) << (memory == nullptr ? "heap" : "table memory");
    }
}

} // namespace
} // namespace qor::format::engine::javascript
