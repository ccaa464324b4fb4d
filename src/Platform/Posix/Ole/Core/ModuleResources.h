#pragma once

// The bytes of a module's type-library resources, for the type-library
// reader ("module\N" paths).

#include <cstddef>
#include <expected>
#include <span>
#include <string_view>

#include "Platform/Posix/Ole/Core/PeImage.h"
#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole {

// A resource's bytes with the image that holds them.
struct TypeLibResource {
    PeImage image;
    std::span<std::byte const> bytes; // valid as long as `image`, wherever it is moved
};

// TYPELIB resource `index` (its numeric identifier) of the PE image at
// modulePath. TYPE_E_CANTLOADLIBRARY when the file can't be read, is no
// sound PE image or has no such resource; E_INVALIDARG for an index that
// can't be a resource identifier (outside 1 to 65535).
OLE_API std::expected<TypeLibResource, HRESULT> readTypeLibResource(std::u16string_view modulePath, int index);
// The same resource of an image already read; valid as long as the image.
std::expected<std::span<std::byte const>, HRESULT> typeLibResourceOf(PeImage const& image, int index);

} // namespace qor::platform::posix::ole
