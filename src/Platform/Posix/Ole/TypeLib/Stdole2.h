#pragma once

#include "Id/Guid.h"

#include <cstddef>
#include <span>

namespace qor::platform::posix::ole {

// The OLE Automation library (stdole2.tlb) that every automation type
// library imports. There is no registry to find the file through, so the
// runtime carries its image, compiled from Stdole2.idl by the build.
std::span<std::byte const> stdole2Image();

inline constexpr Guid stdole2LibraryId{0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

} // namespace qor::platform::posix::ole
