/* The few file functions of kernel32 the tests use to write a type library
 * out of their resources and remove it again, over POSIX files. A handle is
 * the file descriptor; a wide name is UTF-8 to the file system. */

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <windef.h>
#include <winbase.h>
#include <winerror.h>
#include <winnls.h>

#include "Exported.h"

static DWORD errorOf(int posixError) {
    switch (posixError) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EACCES:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

static int openFlags(DWORD access, DWORD creation) {
    int flags = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (creation) {
    case CREATE_NEW:
        return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return flags | O_CREAT | O_TRUNC;
    case OPEN_ALWAYS:
        return flags | O_CREAT;
    case TRUNCATE_EXISTING:
        return flags | O_TRUNC;
    default:
        return flags;
    }
}

EXPORTED HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD creation, DWORD attributes, HANDLE template) {
    int fd = open(name, openFlags(access, creation) | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetLastError(errorOf(errno));
        return INVALID_HANDLE_VALUE;
    }
    return (HANDLE)(INT_PTR)fd;
}

static BOOL narrowPath(LPCWSTR name, char* path, int size) {
    if (!WideCharToMultiByte(CP_UTF8, 0, name, -1, path, size, NULL, NULL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

EXPORTED HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD creation, DWORD attributes, HANDLE template) {
    char path[4096];
    if (!narrowPath(name, path, sizeof path))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, access, share, security, creation, attributes, template);
}

EXPORTED BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    DWORD done = 0;
    while (done < size) {
        ssize_t n = write((int)(INT_PTR)file, (char const*)buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            SetLastError(errorOf(errno));
            break;
        }
        done += (DWORD)n;
    }
    if (written)
        *written = done;
    return done == size;
}

EXPORTED BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped) {
    ssize_t n;
    do
        n = read((int)(INT_PTR)file, buffer, size);
    while (n < 0 && errno == EINTR);
    if (done)
        *done = n > 0 ? (DWORD)n : 0;
    if (n < 0) {
        SetLastError(errorOf(errno));
        return FALSE;
    }
    return TRUE;
}

EXPORTED BOOL WINAPI CloseHandle(HANDLE handle) {
    if (close((int)(INT_PTR)handle) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

EXPORTED BOOL WINAPI DeleteFileA(LPCSTR name) {
    if (unlink(name) != 0) {
        SetLastError(errorOf(errno));
        return FALSE;
    }
    return TRUE;
}

EXPORTED BOOL WINAPI DeleteFileW(LPCWSTR name) {
    char path[4096];
    return narrowPath(name, path, sizeof path) && DeleteFileA(path);
}

/* Creates the file, as Windows does for `unique` 0, with a name of its own
 * in `path`: PREFIXxxxxxx.tmp. */
EXPORTED UINT WINAPI GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR buffer) {
    snprintf(buffer, MAX_PATH, "%s/%.3sXXXXXX.tmp", path, prefix);
    int fd = mkstemps(buffer, 4);
    if (fd < 0) {
        SetLastError(errorOf(errno));
        return 0;
    }
    close(fd);
    return 1;
}

EXPORTED UINT WINAPI GetTempFileNameW(LPCWSTR path, LPCWSTR prefix, UINT unique, LPWSTR buffer) {
    char pathA[4096], prefixA[16], bufferA[MAX_PATH];
    if (!narrowPath(path, pathA, sizeof pathA) || !narrowPath(prefix, prefixA, sizeof prefixA))
        return 0;
    UINT made = GetTempFileNameA(pathA, prefixA, unique, bufferA);
    if (made && !MultiByteToWideChar(CP_UTF8, 0, bufferA, -1, buffer, MAX_PATH)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    return made;
}

/* The folder for temporary files, with the separator that ends it; its
 * length without the terminator, or the size it needs. */
EXPORTED DWORD WINAPI GetTempPathW(DWORD size, LPWSTR buffer) {
    char const* folder = getenv("TMPDIR");
    char path[4096];
    snprintf(path, sizeof path, "%s/", folder && *folder ? folder : "/tmp");
    int needed = MultiByteToWideChar(CP_UTF8, 0, path, -1, NULL, 0);
    if (needed <= 0 || (DWORD)needed > size)
        return (DWORD)needed;
    MultiByteToWideChar(CP_UTF8, 0, path, -1, buffer, (int)size);
    return (DWORD)needed - 1;
}
