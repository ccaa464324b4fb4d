/* Modules as the tests name them. "oleaut32.dll" is the runtime, loaded
 * through the runtime's own loader, so that GetProcAddress on it is the
 * runtime's: a function it lacks is not found, and the test skips as on a
 * Windows release without it. A lookup answers with the runtime's functions
 * only, never with the harness's stand-ins, whatever module it names. The
 * program's own module (GetModuleHandleA and GetModuleFileNameA of NULL)
 * is the module of the tests' resources, the type libraries built from
 * their IDL, read through the runtime's resource functions. Any other
 * module is not found. */

#define _GNU_SOURCE /* dladdr */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <windef.h>
#include <winbase.h>
#include <winerror.h>
#include <oleauto.h>

#include "Events.h"
#include "Exported.h"

static HMODULE loadWide(char const* path, DWORD flags) {
    WCHAR wide[4096];
    if (!MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, ARRAYSIZE(wide)))
        return NULL;
    HMODULE module = LoadLibraryExW(wide, NULL, flags);
    if (!module)
        fprintf(stderr, "conformance: the runtime can't load %s (error %u)\n", path, (unsigned)GetLastError());
    return module;
}

static Dl_info const* runtimeFile(void) {
    static Dl_info info;
    if (!info.dli_fbase && !dladdr((void*)(uintptr_t)SysAllocString, &info))
        return NULL;
    return &info;
}

static HMODULE runtimeModule(void) {
    static HMODULE module;
    if (!module && runtimeFile())
        module = loadWide(runtimeFile()->dli_fname, 0);
    return module;
}

static BOOL inRuntime(FARPROC function) {
    Dl_info info;
    return runtimeFile() && dladdr((void*)(uintptr_t)function, &info) && info.dli_fbase == runtimeFile()->dli_fbase;
}

static HMODULE resourceModule(void) {
    static HMODULE module;
    if (!module)
        module = loadWide(CONFORMANCE_RESOURCES, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

EXPORTED HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    if (!name)
        return resourceModule();
    if (!strcasecmp(name, "oleaut32.dll") || !strcasecmp(name, "oleaut32"))
        return runtimeModule();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return NULL;
}

/* The length without the terminator when `buffer` holds the whole name,
 * `size` (the name cut, ERROR_INSUFFICIENT_BUFFER) otherwise. */
EXPORTED DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (module && module != resourceModule()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    size_t length = strlen(CONFORMANCE_RESOURCES);
    if (size == 0)
        return 0;
    if (length >= size) {
        memcpy(buffer, CONFORMANCE_RESOURCES, size - 1);
        buffer[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    memcpy(buffer, CONFORMANCE_RESOURCES, length + 1);
    return (DWORD)length;
}

EXPORTED FARPROC WINAPI conformance_GetProcAddress(HMODULE module, LPCSTR name) {
    FARPROC found = GetProcAddress(module, name);
    if (found && !inRuntime(found)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        found = NULL;
    }
    if (!found && !IS_INTRESOURCE(name))
        conformance_event("lookup-absent", name, NULL);
    return found;
}

static LPCWSTR wideResourceId(LPCSTR id, WCHAR* buffer, int size) {
    if (IS_INTRESOURCE(id))
        return (LPCWSTR)id;
    return MultiByteToWideChar(CP_ACP, 0, id, -1, buffer, size) ? buffer : NULL;
}

EXPORTED HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    WCHAR nameW[256], typeW[256];
    LPCWSTR wideName = wideResourceId(name, nameW, ARRAYSIZE(nameW));
    LPCWSTR wideType = wideResourceId(type, typeW, ARRAYSIZE(typeW));
    if (!wideName || !wideType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    return FindResourceW(module, wideName, wideType);
}
