// libFuzzer target: any bytes given to the PE resource parser, then every
// resource it accepted looked up and read the ways the type-library loader
// and the resource enumeration do.

#include "Platform/Posix/Ole/Core/PeImage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using qor::platform::posix::ole::PeImage;
using qor::platform::posix::ole::PeResource;
using qor::platform::posix::ole::ResourceId;

// Reads every byte, so that a range reaching past the image shows under ASan.
std::uint8_t touch(std::span<std::byte const> data) {
    std::uint8_t sum = 0;
    for (std::byte b : data)
        sum = static_cast<std::uint8_t>(sum + std::to_integer<std::uint8_t>(b));
    return sum;
}

void lookUp(PeImage const& image, PeResource const& resource) {
    for (ResourceId const& name : image.namesOf(resource.type))
        if (PeResource const* found = image.find(resource.type, name))
            touch(image.dataOf(*found));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    auto const* bytes = reinterpret_cast<std::byte const*>(data);
    auto image = PeImage::parse(std::vector<std::byte>(bytes, bytes + size));
    if (!image)
        return 0;
    volatile std::uint8_t sink = 0;
    ResourceId const* lastType = nullptr;
    for (PeResource const& resource : image->resources()) {
        sink = sink + touch(image->dataOf(resource));
        // Names are listed per type, so once per run of a type is enough.
        if (lastType == nullptr || *lastType != resource.type)
            lookUp(*image, resource);
        lastType = &resource.type;
    }
    image->find(ResourceId{std::u16string(u"TYPELIB")}, std::uint16_t{1});
    image->find(ResourceId{std::u16string(u"typelib")}, ResourceId{std::u16string(u"FIRST")});
    return 0;
}
