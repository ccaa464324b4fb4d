// The MSFT reader on damaged images: every failure is a fault, never a read
// outside the bytes. Damage at random is the fuzzer's (fuzz/TypeLibFuzzer).

#include "Platform/Posix/Ole/TypeLib/TypeLibReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qor::platform::posix::ole {
namespace {

std::vector<std::byte> fileBytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::byte> bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return bytes;
}

std::vector<std::byte> fixtureBytes(char const* name) {
    return fileBytes(std::string(QOR_TYPELIB_FIXTURE_DIR) + "/" + name);
}

std::int32_t int32At(std::vector<std::byte> const& bytes, std::size_t offset) {
    std::int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

void putInt32(std::vector<std::byte>& bytes, std::size_t offset, std::int32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

TEST(TypeLibReader, EveryTruncatedImageIsRejected) {
    auto const image = fixtureBytes("QorFixtureExt.tlb");
    for (std::size_t cut = 0; cut < image.size(); ++cut)
        EXPECT_FALSE(readTypeLib(std::span(image).first(cut)).has_value()) << cut;
}

TEST(TypeLibReader, ForeignFormatsAreUnsupported) {
    std::vector<std::byte> sltg(0x100, std::byte{0});
    std::memcpy(sltg.data(), "SLTG", 4);
    EXPECT_EQ(readTypeLib(sltg).error(), TypeLibFault::unsupportedFormat);
    auto image = fixtureBytes("QorFixture.tlb");
    putInt32(image, 4, 0x00020002); // another format version
    EXPECT_EQ(readTypeLib(image).error(), TypeLibFault::unsupportedFormat);
    EXPECT_EQ(readTypeLib({}).error(), TypeLibFault::unsupportedFormat);
}

// Inputs the fuzzer found, kept so that they stay fixed.
TEST(TypeLibReader, FuzzFindingsStayRejected) {
    auto const image = fileBytes(std::string(QOR_TYPELIB_MALFORMED_DIR) + "/bare-pointer-type.tlb");
    ASSERT_FALSE(image.empty());
    auto lib = readTypeLib(image);
    ASSERT_FALSE(lib.has_value());
    EXPECT_EQ(lib.error(), TypeLibFault::invalidData);
}

TEST(TypeLibReader, LoopingChainsAreInvalidData) {
    auto const original = fixtureBytes("QorFixture.tlb");
    ASSERT_TRUE(readTypeLib(original).has_value());
    // The segment directory follows the header and one offset per type.
    std::size_t const directory = 0x54 + 4 * std::size_t(int32At(original, 0x20));
    // The library's custom data chain made to point at itself.
    std::size_t const guidsSegment = std::size_t(int32At(original, directory + 16 * 12));
    std::int32_t const first = int32At(original, 0x40);
    ASSERT_GE(first, 0);
    auto image = original;
    putInt32(image, guidsSegment + std::size_t(first) + 8, first);
    EXPECT_EQ(readTypeLib(image).error(), TypeLibFault::invalidData);
}

} // namespace
} // namespace qor::platform::posix::ole
