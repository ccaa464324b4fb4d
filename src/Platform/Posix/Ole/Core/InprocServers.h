#pragma once

// In-process servers of the component registry, loaded on demand for their
// class objects as ole32 loads InprocServer32 DLLs.

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/Core/Guid.h"
#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/Types.h"

// Unloads the servers whose DllCanUnloadNow says S_OK.
WINOLEAPI_(void) CoFreeUnusedLibraries();
WINOLEAPI_(void) CoFreeUnusedLibrariesEx(DWORD dwUnloadDelay, DWORD dwReserved);

namespace qor::platform::posix::ole {

// The class object of a registered server: REGDB_E_CLASSNOTREG when the
// class has no entry, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) for a library
// that is not there, HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT) for a file
// that is no library, CO_E_ERRORINDLL for one without DllGetClassObject, or
// what DllGetClassObject returns.
HRESULT getInprocServerClassObject(REFCLSID clsid, REFIID riid, void** ppv);

void freeUnusedInprocServers();

} // namespace qor::platform::posix::ole
