#pragma once

#include <expected>
#include <string_view>

#include "Platform/Posix/Ole/Core/PeImage.h"
#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole {

// Maps and parses a PE image file; a Win32 error code on failure.
std::expected<PeImage, DWORD> readPeImageFile(std::u16string_view path);

} // namespace qor::platform::posix::ole
