#pragma once

#include <string>

#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole {

// Why a module could not be loaded or a symbol found: the Win32 error code
// Windows would set, and the loader's own words for it.
struct LoaderFailure {
    DWORD error;
    std::string message;
};

} // namespace qor::platform::posix::ole
