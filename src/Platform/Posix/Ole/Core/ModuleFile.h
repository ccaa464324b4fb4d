#pragma once

// What a file named to LoadLibraryExW holds, told from its first bytes, so
// that a load fails with the code Windows gives before dlopen is asked.

#include <expected>
#include <filesystem>

#include "Platform/Posix/Ole/Core/LoaderFailure.h"

namespace qor::platform::posix::ole {

enum class ModuleFileKind {
    peImage,      // a Windows image: its resources can be read, its code can't run here
    sharedObject, // an ELF shared object built for this machine
};

// ERROR_MOD_NOT_FOUND for a missing file, ERROR_ACCESS_DENIED for one that
// can't be read or is no regular file, ERROR_BAD_EXE_FORMAT for anything
// else, an ELF file of another kind or machine included.
std::expected<ModuleFileKind, LoaderFailure> moduleFileKind(std::filesystem::path const& path);

} // namespace qor::platform::posix::ole
