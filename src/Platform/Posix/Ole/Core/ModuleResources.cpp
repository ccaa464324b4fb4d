#include "Platform/Posix/Ole/Core/ModuleResources.h"

#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/PeImageFile.h"

namespace qor::platform::posix::ole {

std::expected<std::span<std::byte const>, HRESULT> typeLibResourceOf(PeImage const& image, int index) {
    if (index < 1 || index > 0xffff)
        return std::unexpected(E_INVALIDARG);
    auto const* resource = image.find(ResourceId{std::u16string(u"TYPELIB")}, static_cast<std::uint16_t>(index));
    if (!resource)
        return std::unexpected(TYPE_E_CANTLOADLIBRARY);
    return image.dataOf(*resource);
}

std::expected<TypeLibResource, HRESULT> readTypeLibResource(std::u16string_view modulePath, int index) {
    if (index < 1 || index > 0xffff)
        return std::unexpected(E_INVALIDARG);
    auto image = readPeImageFile(modulePath);
    if (!image)
        return std::unexpected(TYPE_E_CANTLOADLIBRARY);
    auto data = typeLibResourceOf(*image, index);
    if (!data)
        return std::unexpected(data.error());
    return TypeLibResource{std::move(*image), *data};
}

} // namespace qor::platform::posix::ole
