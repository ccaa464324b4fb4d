#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/Core/FileBytes.h"

namespace qor::platform::posix::ole {

// A resource type or name as a PE resource directory stores it: a 16-bit
// number or a UTF-16 string.
using ResourceId = std::variant<std::uint16_t, std::u16string>;

enum class PeError {
    notAnImage,  // no "MZ"/"PE\0\0" signature, or not a PE32/PE32+ optional header
    malformed,   // a header, directory or resource points outside the file
};

struct PeResource {
    ResourceId type;
    ResourceId name;
    std::uint16_t language = 0;
    std::size_t offset = 0; // of the data within the image bytes
    std::size_t size = 0;
};

// The resources of a Windows PE image, mapped or held in memory. The whole
// resource tree is read and checked once, when the image is parsed, so that
// nothing later can run outside the bytes; an image whose tree is damaged
// anywhere is rejected as a whole.
class OLE_API PeImage {
public:
    static std::expected<PeImage, PeError> parse(FileBytes bytes);
    static std::expected<PeImage, PeError> parse(std::vector<std::byte> bytes);

    // In directory order: types, then names within a type, then languages.
    std::span<PeResource const> resources() const { return resources_; }
    std::span<std::byte const> dataOf(PeResource const& resource) const;

    // The distinct names of one type, in directory order.
    std::vector<ResourceId> namesOf(ResourceId const& type) const;
    // The first language of the resource, as Windows' neutral lookup gives it.
    PeResource const* find(ResourceId const& type, ResourceId const& name) const;

    // Far more than any real module holds; a crafted directory could otherwise
    // share subdirectories to make the tree explode.
    static constexpr std::size_t maxResources = 65536;

private:
    explicit PeImage(FileBytes bytes) : bytes_(std::move(bytes)) {}

    FileBytes bytes_;
    std::vector<PeResource> resources_;

    friend class PeImageParser;
};

} // namespace qor::platform::posix::ole
