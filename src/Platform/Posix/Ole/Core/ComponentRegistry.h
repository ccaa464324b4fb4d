#pragma once

// What an in-process server's DllRegisterServer and DllUnregisterServer call
// to enter or remove its classes in the component registry (see
// ComponentRegistryFile.h for where it lives and what it looks like).
// Windows has no such calls; the host library provides them there too,
// writing HKCU\Software\Classes, so a server registers itself with the same
// source on both.

#include <filesystem>
#include <string>

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/Core/Guid.h"
#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/Types.h"

// The library path is made absolute. The ProgIDs and the description may be
// null; the version-independent ProgID gets the versioned one as its CurVer.
// A registration replaces the class's earlier one. E_INVALIDARG for a bad
// ProgID, HRESULT_FROM_WIN32(ERROR_BADDB) when the registry file can't be
// read and so is left alone, E_ACCESSDENIED when it is read-only,
// REGDB_E_WRITEREGDB when it can't be written.
WINOLEAPI QorRegisterInprocServer(REFCLSID rclsid, LPCOLESTR lpszLibraryPath, LPCOLESTR lpszProgID,
                                  LPCOLESTR lpszVersionIndependentProgID, LPCOLESTR lpszDescription);
// S_FALSE when the class was not registered.
WINOLEAPI QorUnregisterInprocServer(REFCLSID rclsid);

namespace qor::platform::posix::ole {

OLE_API std::filesystem::path componentRegistryPath();
// Why the last registration or unregistration of this thread was refused,
// naming the file: what the HRESULT alone can't say. Empty after one that
// went through.
OLE_API std::string componentRegistryProblem();

} // namespace qor::platform::posix::ole
