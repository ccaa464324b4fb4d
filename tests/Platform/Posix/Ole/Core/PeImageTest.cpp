#include "Platform/Posix/Ole/Core/PeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "Fixtures/Modules/ModuleFixtures.h"

using namespace qor::platform::posix::ole;
using qor::test::readFixtureBytes;

namespace {

std::uint32_t readU32(std::vector<std::byte> const& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}
void writeU32(std::vector<std::byte>& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}
void writeU16(std::vector<std::byte>& bytes, std::size_t at, std::uint16_t value) {
    std::memcpy(bytes.data() + at, &value, 2);
}

// The section header of the resource tree of a fixture image built by the
// MinGW linker (the section named .rsrc).
std::size_t resourceSectionHeader(std::vector<std::byte> const& bytes) {
    std::size_t const fileHeader = readU32(bytes, 0x3c) + 4;
    std::uint16_t sections = 0, optionalSize = 0;
    std::memcpy(&sections, bytes.data() + fileHeader + 2, 2);
    std::memcpy(&optionalSize, bytes.data() + fileHeader + 16, 2);
    for (std::size_t i = 0; i < sections; ++i) {
        std::size_t const header = fileHeader + 20 + optionalSize + i * 40;
        if (std::memcmp(bytes.data() + header, ".rsrc", 5) == 0)
            return header;
    }
    ADD_FAILURE() << "no .rsrc section";
    return 0;
}

// File offset of the resource tree, or the section's field at `field`.
std::size_t resourceSection(std::vector<std::byte> const& bytes, std::size_t field = 20) {
    return readU32(bytes, resourceSectionHeader(bytes) + field);
}

// The first entry of a directory, and the directory its first entry leads to.
std::size_t firstEntry(std::size_t directory) { return directory + 16; }
std::size_t firstChild(std::vector<std::byte> const& bytes, std::size_t root, std::size_t directory) {
    return root + (readU32(bytes, firstEntry(directory) + 4) & 0x7fffffffu);
}

} // namespace

// Well-formed images are read through the module functions (ModuleTest).
TEST(PeImage, RejectsWhatIsNoImage) {
    EXPECT_EQ(PeImage::parse({}).error(), PeError::notAnImage);
    EXPECT_EQ(PeImage::parse(readFixtureBytes("ModuleLibraryA.tlb")).error(), PeError::notAnImage);
    auto bytes = readFixtureBytes("ModuleFixture.dll");
    writeU32(bytes, 0x3c, 0xfffffff0u); // the PE header beyond the end
    EXPECT_EQ(PeImage::parse(bytes).error(), PeError::notAnImage);
}

// One case of each bound the reader checks; damage at random is the
// fuzzer's (fuzz/PeImageFuzzer).
TEST(PeImage, RejectsDamagedResourceTrees) {
    auto const whole = readFixtureBytes("ModuleFixture.dll");
    std::size_t const root = resourceSection(whole);
    std::size_t const names = firstChild(whole, root, root);
    std::size_t const languages = firstChild(whole, root, names);
    std::size_t const dataEntry = root + readU32(whole, firstEntry(languages) + 4);
    for (auto [entry, target] : {
             std::pair{root + 12, 0xffff0000u},                      // more entries than the section holds
             {firstEntry(root) + 4, 0x80000000u | 0x7ffffff0u},      // a directory beyond the section
             {firstEntry(root), 0x80000000u | 0x7ffffff0u},          // a name beyond the section
             {firstEntry(languages) + 4, 0x80000000u},               // a language leading back to the root: a loop
             {firstEntry(root) + 4, std::uint32_t(dataEntry - root)}, // a type leading to data skips a level
             {dataEntry, 0x7ffffff0u},                                // data beyond the image
             {dataEntry + 4, 0xfffffff0u}}) {                         // a size beyond the image
        auto bytes = whole;
        writeU32(bytes, entry, target);
        auto image = PeImage::parse(std::move(bytes));
        ASSERT_FALSE(image) << entry;
        EXPECT_EQ(image.error(), PeError::malformed) << entry;
    }
}

// Every type leads to the same name directory, every name to the same
// language directory, `count` entries a level; the languages lead to one
// resource, or with `emptyLanguages` to none.
std::expected<PeImage, PeError> sharedTree(std::uint32_t count, bool emptyLanguages) {
    auto bytes = readFixtureBytes("ModuleFixture.dll");
    std::size_t const header = resourceSectionHeader(bytes);
    std::size_t const root = resourceSection(bytes);
    std::uint32_t const rva = static_cast<std::uint32_t>(resourceSection(bytes, 12));
    std::uint32_t const directorySize = 16 + count * 8, treeSize = 3 * directorySize + 8;
    if (bytes.size() < root + treeSize)
        bytes.resize(root + treeSize);
    writeU32(bytes, header + 16, std::max(readU32(bytes, header + 16), treeSize));
    for (std::uint32_t level = 0; level < 3; ++level) {
        std::size_t const directory = root + level * directorySize;
        std::memset(bytes.data() + directory, 0, 16);
        if (level == 2 && emptyLanguages)
            break;
        writeU16(bytes, directory + 14, static_cast<std::uint16_t>(count));
        std::uint32_t const next = (level + 1) * directorySize;
        for (std::uint32_t i = 0; i < count; ++i) {
            writeU32(bytes, directory + 16 + i * 8, i + 1);
            writeU32(bytes, directory + 16 + i * 8 + 4, level < 2 ? (0x80000000u | next) : next);
        }
    }
    writeU32(bytes, root + 3 * directorySize, rva);
    writeU32(bytes, root + 3 * directorySize + 4, 4);
    return PeImage::parse(std::move(bytes));
}

// 41 entries a level would make 68921 resources; 500 entries over an empty
// last level, 250000 visits and not one resource (a larger tree of that
// shape would run for hours).
TEST(PeImage, RefusesTreesThatShareDirectoriesToExplodeOrWalkWithoutEnd) {
    for (auto [count, empty] : {std::pair{41u, false}, std::pair{500u, true}}) {
        auto image = sharedTree(count, empty);
        ASSERT_FALSE(image) << count;
        EXPECT_EQ(image.error(), PeError::malformed) << count;
    }
}
