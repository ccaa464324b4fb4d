#pragma once

// Modules of two kinds, told apart by their handles as on Windows:
// - Windows PE images opened for their resources by LoadLibraryExW with
//   LOAD_LIBRARY_AS_DATAFILE (handle & 1) or LOAD_LIBRARY_AS_IMAGE_RESOURCE
//   (handle & 2). Their code can't run here.
// - ELF shared objects loaded for their code (in-process servers, plug-ins)
//   by LoadLibraryW, or LoadLibraryExW without those flags.
// Only handles the runtime gave out and has not freed are taken; any other
// is an error.

#include <string>

#include "Platform/Posix/Ole/Core/PeImage.h"
#include "Platform/Posix/Ole/Core/Types.h"

typedef struct HRSRC__* HRSRC;
typedef HANDLE HGLOBAL;
typedef INT_PTR(WINAPI* FARPROC)();
typedef BOOL(CALLBACK* ENUMRESNAMEPROCW)(HMODULE hModule, LPCWSTR lpType, LPWSTR lpName, LONG_PTR lParam);

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#define LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE 0x00000040

#define LDR_IS_DATAFILE(handle) (((ULONG_PTR)(handle)) & (ULONG_PTR)1)
#define LDR_IS_IMAGEMAPPING(handle) (((ULONG_PTR)(handle)) & (ULONG_PTR)2)
#define LDR_IS_RESOURCE(handle) (LDR_IS_IMAGEMAPPING(handle) || LDR_IS_DATAFILE(handle))

#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define RT_RCDATA MAKEINTRESOURCEW(10)

#define ERROR_RESOURCE_ENUM_USER_STOP 15106u
#define MAX_PATH 260

// A name with a '/' is a path, relative to the current directory or not;
// one without is looked for where dlopen looks (LD_LIBRARY_PATH, the
// loader's cache, the system's library folders). Loading a loaded shared
// object again gives the same handle, and it stays loaded until every load
// was matched by FreeLibrary. Failures set the last error as Windows does:
// ERROR_MOD_NOT_FOUND for a module or a module it needs that is not found,
// ERROR_PROC_NOT_FOUND for a symbol it needs that nothing defines,
// ERROR_BAD_EXE_FORMAT for a file that is neither kind of module, or an ELF
// file that is not a shared object of this machine, and ERROR_NOT_SUPPORTED
// for a PE image asked for its code. lastLoaderMessage says more. Flags
// other than the data-file ones change nothing for a shared object.
WINBASEAPI HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
WINBASEAPI HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
// A symbol of a shared object, by name; a null module names the program and
// the libraries it was linked with. ERROR_PROC_NOT_FOUND for a name nothing
// defines and for an ordinal, ERROR_MOD_NOT_FOUND for a handle that is not
// a loaded module, ERROR_INVALID_HANDLE for a module loaded as data.
WINBASEAPI FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// ERROR_INVALID_HANDLE for a handle that is not a loaded module.
WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE hLibModule);
// A null module names the running program. The absolute path of a loaded
// module otherwise, as it was loaded (the file found, for a shared object), truncated to nSize - 1 characters and terminated when the
// buffer is too small: then the result is nSize and the last error
// ERROR_INSUFFICIENT_BUFFER.
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004
// Only with GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, lpModuleName being an
// address inside a shared object that LoadLibraryW loaded: how a server
// finds its own file for DllRegisterServer. Without UNCHANGED_REFCOUNT the
// module counts one more load. ERROR_MOD_NOT_FOUND for an address outside
// such a module, ERROR_NOT_SUPPORTED for a lookup by name.
WINBASEAPI BOOL WINAPI GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule);
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

// The loader's own account, in UTF-8, of why the last LoadLibraryW,
// LoadLibraryExW or GetProcAddress of this thread failed: dlopen's or
// dlsym's message ("libdep.so: cannot open shared object file: No such file
// or directory"), or the runtime's where it refused before asking them.
// FormatMessage of the last error gives Windows' text, which can't name the
// cause. Empty after a call that succeeded, or that failed for a reason the
// error code says in full (a bad parameter, a data file that can't be read).
OLE_API std::string lastLoaderMessage();

} // namespace qor::platform::posix::ole
