#pragma once

// Modules: Windows PE images opened for their resources. Code in them can't
// run here, so only LoadLibraryExW with LOAD_LIBRARY_AS_DATAFILE (or as an
// image resource) loads anything; a module handle stands for the image held
// in memory.

#include "Platform/Posix/Ole/PeImage.h"
#include "Platform/Posix/Ole/Types.h"

typedef struct HRSRC__* HRSRC;
typedef HANDLE HGLOBAL;
typedef BOOL(CALLBACK* ENUMRESNAMEPROCW)(HMODULE hModule, LPCWSTR lpType, LPWSTR lpName, LONG_PTR lParam);

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#define LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE 0x00000040

#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define RT_RCDATA MAKEINTRESOURCEW(10)

#define ERROR_RESOURCE_ENUM_USER_STOP 15106u
#define MAX_PATH 260

// Fails with ERROR_NOT_SUPPORTED unless asked for a data file.
WINBASEAPI HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE hLibModule);
// A null module names the running program. The full path of a loaded image
// otherwise, truncated to nSize - 1 characters and terminated when the
// buffer is too small: then the result is nSize and the last error
// ERROR_INSUFFICIENT_BUFFER.
WINBASEAPI DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
// The callback gets MAKEINTRESOURCEW identifiers for numbered resources and
// strings valid during the call for named ones. A callback that returns
// FALSE ends the enumeration, which then fails with
// ERROR_RESOURCE_ENUM_USER_STOP.
WINBASEAPI BOOL WINAPI EnumResourceNamesW(HMODULE hModule, LPCWSTR lpType, ENUMRESNAMEPROCW lpEnumFunc,
                                          LONG_PTR lParam);
WINBASEAPI HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
WINBASEAPI HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
WINBASEAPI LPVOID WINAPI LockResource(HGLOBAL hResData);
WINBASEAPI DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);

namespace qor::platform::posix::ole {

// A resource type or name argument of the resource functions: a
// MAKEINTRESOURCEW number, "#123", or a string.
ResourceId resourceIdOf(LPCWSTR typeOrName);

} // namespace qor::platform::posix::ole
