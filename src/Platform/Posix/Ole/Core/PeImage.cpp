#include "Platform/Posix/Ole/Core/PeImage.h"

#include <optional>

#include "Platform/Posix/Ole/Core/AsciiCase.h"

namespace qor::platform::posix::ole {

namespace {

constexpr std::uint16_t peMagic32 = 0x10b;
constexpr std::uint16_t peMagic64 = 0x20b;
constexpr std::uint32_t resourceDirectoryIndex = 2;
constexpr std::uint32_t subdirectoryBit = 0x80000000u;
constexpr std::size_t directoryHeaderSize = 16;
constexpr std::size_t directoryEntrySize = 8;
constexpr std::size_t dataEntrySize = 16;
constexpr std::size_t sectionHeaderSize = 40;

// Little-endian reads that say so when they would leave the buffer.
class Bytes {
public:
    explicit Bytes(std::span<std::byte const> bytes) : bytes_(bytes) {}

    bool has(std::size_t offset, std::size_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::optional<std::uint16_t> u16(std::size_t offset) const {
        if (!has(offset, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(byte(offset) | byte(offset + 1) << 8);
    }
    std::optional<std::uint32_t> u32(std::size_t offset) const {
        if (!has(offset, 4))
            return std::nullopt;
        return byte(offset) | byte(offset + 1) << 8 | byte(offset + 2) << 16 | byte(offset + 3) << 24;
    }
    std::size_t size() const { return bytes_.size(); }

private:
    std::uint32_t byte(std::size_t offset) const { return std::to_integer<std::uint32_t>(bytes_[offset]); }

    std::span<std::byte const> bytes_;
};

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
};

// Windows compares resource strings without regard to case.
bool sameResourceId(ResourceId const& a, ResourceId const& b) {
    if (a.index() != b.index())
        return false;
    if (auto const* number = std::get_if<std::uint16_t>(&a))
        return *number == std::get<std::uint16_t>(b);
    return equalsIgnoringAsciiCase(std::get<std::u16string>(a), std::get<std::u16string>(b));
}

} // namespace

class PeImageParser {
public:
    explicit PeImageParser(PeImage& image) : image_(image), bytes_(image.bytes_.bytes()) {}

    std::expected<void, PeError> run() {
        auto headers = readHeaders();
        if (!headers)
            return std::unexpected(headers.error());
        if (*headers == 0)
            return {}; // no resource directory: a valid image with no resources
        return readLevel(rootOffset_, 0, {}, {});
    }

private:
    // Returns the RVA of the resource directory, 0 when there is none.
    std::expected<std::uint32_t, PeError> readHeaders() {
        auto mz = bytes_.u16(0);
        auto peOffset = bytes_.u32(0x3c);
        if (!mz || *mz != 0x5a4d || !peOffset)
            return std::unexpected(PeError::notAnImage);
        auto signature = bytes_.u32(*peOffset);
        if (!signature || *signature != 0x00004550)
            return std::unexpected(PeError::notAnImage);
        std::size_t const fileHeader = std::size_t{*peOffset} + 4;
        auto sectionCount = bytes_.u16(fileHeader + 2);
        auto optionalSize = bytes_.u16(fileHeader + 16);
        std::size_t const optional = fileHeader + 20;
        auto magic = bytes_.u16(optional);
        if (!sectionCount || !optionalSize || !magic)
            return std::unexpected(PeError::malformed);
        if (*magic != peMagic32 && *magic != peMagic64)
            return std::unexpected(PeError::notAnImage);
        std::size_t const directoryCountAt = optional + (*magic == peMagic64 ? 108 : 92);
        auto directoryCount = bytes_.u32(directoryCountAt);
        if (!directoryCount || directoryCountAt + 4 > optional + *optionalSize)
            return std::unexpected(PeError::malformed);
        if (auto sections = readSections(optional + *optionalSize, *sectionCount); !sections)
            return std::unexpected(sections.error());
        if (*directoryCount <= resourceDirectoryIndex)
            return 0;
        std::size_t const resourceEntry = directoryCountAt + 4 + resourceDirectoryIndex * 8;
        auto rva = bytes_.u32(resourceEntry);
        auto size = bytes_.u32(resourceEntry + 4);
        if (!rva || !size || resourceEntry + 8 > optional + *optionalSize)
            return std::unexpected(PeError::malformed);
        if (*rva == 0 || *size == 0)
            return 0;
        auto root = fileOffsetOf(*rva, directoryHeaderSize);
        if (!root)
            return std::unexpected(PeError::malformed);
        rootOffset_ = *root;
        return *rva;
    }

    std::expected<void, PeError> readSections(std::size_t at, std::uint16_t count) {
        if (!bytes_.has(at, std::size_t{count} * sectionHeaderSize))
            return std::unexpected(PeError::malformed);
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t const header = at + i * sectionHeaderSize;
            sections_.push_back({*bytes_.u32(header + 12), *bytes_.u32(header + 8), *bytes_.u32(header + 16),
                                 *bytes_.u32(header + 20)});
        }
        return {};
    }

    // Only bytes stored in the file count: a range that reaches into the
    // zero-filled tail of a section has no file offset.
    std::optional<std::size_t> fileOffsetOf(std::uint32_t rva, std::size_t count) const {
        for (auto const& section : sections_) {
            if (rva < section.virtualAddress)
                continue;
            std::size_t const into = rva - section.virtualAddress;
            if (into >= section.rawSize)
                continue;
            if (count > section.rawSize - into)
                return std::nullopt;
            std::size_t const offset = std::size_t{section.rawOffset} + into;
            if (!bytes_.has(offset, count))
                return std::nullopt;
            return offset;
        }
        return std::nullopt;
    }

    // Offsets inside the resource tree are relative to its root.
    std::optional<std::size_t> treeOffset(std::uint32_t relative, std::size_t count) const {
        std::size_t const offset = rootOffset_ + relative;
        if (!bytes_.has(offset, count))
            return std::nullopt;
        return offset;
    }

    std::expected<void, PeError> readLevel(std::size_t directory, int level, ResourceId type, ResourceId name) {
        auto namedCount = bytes_.u16(directory + 12);
        auto idCount = bytes_.u16(directory + 14);
        if (!namedCount || !idCount)
            return std::unexpected(PeError::malformed);
        std::size_t const count = std::size_t{*namedCount} + *idCount;
        if (!bytes_.has(directory + directoryHeaderSize, count * directoryEntrySize))
            return std::unexpected(PeError::malformed);
        if (count > maxEntries - entriesVisited_)
            return std::unexpected(PeError::malformed);
        entriesVisited_ += count;
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t const entry = directory + directoryHeaderSize + i * directoryEntrySize;
            auto id = readId(*bytes_.u32(entry));
            if (!id)
                return std::unexpected(PeError::malformed);
            auto result = readEntry(*bytes_.u32(entry + 4), level, level == 0 ? *id : type, level == 1 ? *id : name, *id);
            if (!result)
                return result;
        }
        return {};
    }

    std::expected<void, PeError> readEntry(std::uint32_t target, int level, ResourceId const& type,
                                           ResourceId const& name, ResourceId const& id) {
        bool const isDirectory = (target & subdirectoryBit) != 0;
        // Types, names and languages: exactly three levels, which also rules
        // out cycles.
        if (isDirectory != (level < 2))
            return std::unexpected(PeError::malformed);
        if (isDirectory) {
            auto child = treeOffset(target & ~subdirectoryBit, directoryHeaderSize);
            if (!child)
                return std::unexpected(PeError::malformed);
            return readLevel(*child, level + 1, type, name);
        }
        auto language = std::get_if<std::uint16_t>(&id);
        auto dataEntry = treeOffset(target, dataEntrySize);
        if (!language || !dataEntry)
            return std::unexpected(PeError::malformed);
        std::uint32_t const size = *bytes_.u32(*dataEntry + 4);
        auto data = fileOffsetOf(*bytes_.u32(*dataEntry), size);
        if (!data || image_.resources_.size() >= PeImage::maxResources)
            return std::unexpected(PeError::malformed);
        image_.resources_.push_back({type, name, *language, *data, size});
        return {};
    }

    std::optional<ResourceId> readId(std::uint32_t field) const {
        if ((field & subdirectoryBit) == 0)
            return field > 0xffff ? std::nullopt : std::optional<ResourceId>{static_cast<std::uint16_t>(field)};
        auto at = treeOffset(field & ~subdirectoryBit, 2);
        if (!at)
            return std::nullopt;
        std::size_t const length = *bytes_.u16(*at);
        if (!bytes_.has(*at + 2, length * 2))
            return std::nullopt;
        std::u16string text(length, u'\0');
        for (std::size_t i = 0; i < length; ++i)
            text[i] = static_cast<char16_t>(*bytes_.u16(*at + 2 + i * 2));
        return ResourceId{std::move(text)};
    }

    // Directories shared without ever reaching data would make the walk
    // endless while the resource count stays at zero. A tree without empty
    // directories visits at most a type, a name and a language entry per
    // resource.
    static constexpr std::size_t maxEntries = 3 * PeImage::maxResources;

    PeImage& image_;
    Bytes bytes_;
    std::vector<Section> sections_;
    std::size_t rootOffset_ = 0;
    std::size_t entriesVisited_ = 0;
};

std::expected<PeImage, PeError> PeImage::parse(std::vector<std::byte> bytes) {
    return parse(FileBytes(std::move(bytes)));
}

std::expected<PeImage, PeError> PeImage::parse(FileBytes bytes) {
    PeImage image(std::move(bytes));
    if (auto result = PeImageParser(image).run(); !result)
        return std::unexpected(result.error());
    return image;
}

std::span<std::byte const> PeImage::dataOf(PeResource const& resource) const {
    return bytes_.bytes().subspan(resource.offset, resource.size);
}

std::vector<ResourceId> PeImage::namesOf(ResourceId const& type) const {
    std::vector<ResourceId> names;
    for (auto const& resource : resources_) {
        if (!sameResourceId(resource.type, type))
            continue;
        if (names.empty() || !sameResourceId(names.back(), resource.name))
            names.push_back(resource.name);
    }
    return names;
}

PeResource const* PeImage::find(ResourceId const& type, ResourceId const& name) const {
    for (auto const& resource : resources_)
        if (sameResourceId(resource.type, type) && sameResourceId(resource.name, name))
            return &resource;
    return nullptr;
}

} // namespace qor::platform::posix::ole
