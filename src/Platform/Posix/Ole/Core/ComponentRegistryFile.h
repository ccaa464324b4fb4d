#pragma once

// The in-process servers known to every process of the user, as Windows
// keeps them under HKCU\Software\Classes: a JSON file that a person can read
// and mend.
//
// Where: $QOR_OLE_REGISTRY when set, else $XDG_CONFIG_HOME/qor/ole-registry.json,
// else ~/.config/qor/ole-registry.json.
//
// Shape:
//   {
//     "ProgIDs": {
//       "Sample.Thing":   {"CLSID": "{...}", "CurVer": "Sample.Thing.1"},
//       "Sample.Thing.1": {"CLSID": "{...}"}
//     },
//     "CLSIDs": {
//       "{...}": {"InprocServer32": "/abs/libsample.so", "ProgID": "Sample.Thing.1",
//                 "VersionIndependentProgID": "Sample.Thing", "Description": "A thing"}
//     }
//   }
//
// Readers skip an entry of the wrong shape and keep the others; a file that
// is not JSON at all, or is no regular file of at most 16 MiB, serves
// nothing. Writers lock a sibling ".lock" file around read-modify-write,
// replace the file atomically (a temporary file, fsync, rename, fsync of the
// folder) and refuse, with HRESULT_FROM_WIN32(ERROR_BADDB), to overwrite a
// file they cannot read, so a damaged file is left for a person to mend
// rather than lost. A symbolic link is written through (the file it leads to
// is replaced), the file keeps its mode, and a read-only file is refused
// with E_ACCESSDENIED.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Core/Guid.h"
#include "Platform/Posix/Ole/Core/HResult.h"

namespace qor::platform::posix::ole {

struct InprocServerRecord {
    CLSID clsid{};
    std::string library;                  // absolute path, UTF-8
    std::string progId;                   // versioned, may be empty
    std::string versionIndependentProgId; // may be empty
    std::string description;
};

std::filesystem::path componentRegistryFilePath();

// Lookups read the file again only when it changed (inode, size, mtime).
std::optional<std::string> inprocServerLibraryOf(CLSID const& clsid);
// Case-insensitive, as ProgIDs are; a CurVer is followed.
std::optional<CLSID> clsidOfRegisteredProgId(std::u16string_view progId);
std::optional<std::u16string> progIdOfRegisteredClass(CLSID const& clsid);

// E_INVALIDARG for text that is not UTF-8.
HRESULT writeInprocServer(InprocServerRecord const& record);
// S_FALSE when the class was not there.
HRESULT eraseInprocServer(CLSID const& clsid);
// Why the last write of this thread was refused: the file and what is wrong
// with it; empty after a write that went through.
std::string lastComponentRegistryProblem();

} // namespace qor::platform::posix::ole
