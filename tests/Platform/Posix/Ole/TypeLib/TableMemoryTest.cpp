// A library's table memory hands out pieces that never overlap and keep
// their alignment, from its first small block, from later ones and from a
// block mapped for huge pages, and keeps them when it gives unused pages
// back.

#include "Platform/Posix/Ole/TypeLib/TableMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qor::platform::posix::ole {
namespace {

TEST(TableMemory, PiecesKeepTheirBytesAndAlignment) {
    struct Piece {
        unsigned char* bytes;
        std::size_t size;
    };
    TableMemory memory(4096);
    std::vector<Piece> pieces;
    std::size_t const sizes[] = {1, 24, 3000, 4096, 70000, std::size_t(5) << 20, 8};
    std::size_t const alignments[] = {1, 8, 16, 64, 4096};
    for (std::size_t round = 0; round < 40; ++round) {
        std::size_t const size = sizes[round % std::size(sizes)];
        std::size_t const alignment = alignments[round % std::size(alignments)];
        auto* bytes = static_cast<unsigned char*>(memory.allocate(size, alignment));
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(bytes) % alignment, 0u) << "round " << round;
        std::memset(bytes, int(round + 1), size);
        pieces.push_back({bytes, size});
        // Giving back what lies past the last piece keeps every piece.
        if (round % 5 == 4)
            memory.releaseUnused();
    }
    for (std::size_t round = 0; round < pieces.size(); ++round) {
        Piece const& piece = pieces[round];
        EXPECT_TRUE(std::all_of(piece.bytes, piece.bytes + piece.size, [&](unsigned char b) { return b == round + 1; }))
            << "round " << round;
    }
}

} // namespace
} // namespace qor::platform::posix::ole
