#pragma once

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibRecord.h"

#include <cstddef>
#include <expected>
#include <span>

namespace qor::platform::posix::ole {

enum class TypeLibFault {
    unsupportedFormat, // not an MSFT image (SLTG, or not a type library at all)
    invalidData,       // an MSFT image that is truncated or inconsistent
};

// Parses an MSFT type library image into records. Every offset and count in
// the image is checked against the bytes given: a malformed image yields a
// fault, never a read outside `image`.
OLE_API std::expected<TypeLibRecord, TypeLibFault> readTypeLib(std::span<std::byte const> image);

} // namespace qor::platform::posix::ole
