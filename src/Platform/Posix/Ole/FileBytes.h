#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <vector>

#include "Platform/Posix/Ole/Types.h"

namespace qor::platform::posix::ole {

// The whole content of a file; a Win32 error code when it can't be read.
std::expected<std::vector<std::byte>, DWORD> readFileBytes(std::filesystem::path const& path);

} // namespace qor::platform::posix::ole
