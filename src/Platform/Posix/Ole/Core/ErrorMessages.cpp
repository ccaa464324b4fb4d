#include "Platform/Posix/Ole/Core/ErrorMessages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/TextConversion.h"

namespace {

struct Message {
    DWORD code;
    std::string_view text;
};

// Sorted by code. Win32 codes are small numbers; an HRESULT of
// FACILITY_WIN32 is looked up by its Win32 code, as Windows does.
constexpr Message kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {11, "An attempt was made to load a program with an incorrect format."},
    {12, "The access code is invalid."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {15, "The system cannot find the drive specified."},
    {18, "There are no more files."},
    {21, "The device is not ready."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {38, "Reached the end of the file."},
    {50, "The request is not supported."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {112, "There is not enough space on the disk."},
    {120, "This function is not supported on this system."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {145, "The directory is not empty."},
    {161, "The specified path is invalid."},
    {183, "Cannot create a file when that file already exists."},
    {193, "%1 is not a valid Win32 application."},
    {203, "The system could not find the environment option that was entered."},
    {206, "The filename or extension is too long."},
    {223, "The file size exceeds the limit allowed and cannot be saved."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {487, "Attempt to access invalid address."},
    {534, "Arithmetic result exceeded 32 bits."},
    {998, "Invalid access to memory location."},
    {1004, "Invalid flags."},
    {1009, "The configuration registry database is corrupt."},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {1114, "A dynamic link library (DLL) initialization routine failed."},
    {1168, "Element not found."},
    {1223, "The operation was canceled by the user."},
    {1460, "This operation returned because the timeout period expired."},
    {1812, "The specified image file did not contain a resource section."},
    {1813, "The specified resource type cannot be found in the image file."},
    {1814, "The specified resource name cannot be found in the image file."},
    {1815, "The specified resource language ID cannot be found in the image file."},
    {0x8000000A, "The data necessary to complete this operation is not yet available."},
    {0x8000000B, "The operation attempted to access data outside the valid range"},
    {0x80004001, "Not implemented"},
    {0x80004002, "No such interface supported"},
    {0x80004003, "Invalid pointer"},
    {0x80004004, "Operation aborted"},
    {0x80004005, "Unspecified error"},
    {0x8000FFFF, "Catastrophic failure"},
    {0x80010106, "Cannot change thread mode after it is set."},
    {0x8001010E, "The application called an interface that was marshalled for a different thread."},
    {0x80020001, "Unknown interface."},
    {0x80020003, "Member not found."},
    {0x80020004, "Parameter not found."},
    {0x80020005, "Type mismatch."},
    {0x80020006, "Unknown name."},
    {0x80020007, "No named arguments."},
    {0x80020008, "Bad variable type."},
    {0x80020009, "Exception occurred."},
    {0x8002000A, "Out of present range."},
    {0x8002000B, "Invalid index."},
    {0x8002000C, "Unknown language."},
    {0x8002000D, "Memory is locked."},
    {0x8002000E, "Invalid number of parameters."},
    {0x8002000F, "Parameter not optional."},
    {0x80020010, "Invalid callee."},
    {0x80020011, "Does not support a collection."},
    {0x80020012, "Division by zero."},
    {0x80020013, "Buffer too small"},
    {0x80028016, "Buffer too small."},
    {0x80028017, "Field name not defined in the record."},
    {0x80028018, "Old format or invalid type library."},
    {0x80028019, "Old format or invalid type library."},
    {0x8002801C, "Error accessing the OLE registry."},
    {0x8002801D, "Library not registered."},
    {0x80028027, "Bound to unknown type."},
    {0x80028028, "Qualified name disallowed."},
    {0x80028029, "Invalid forward reference, or reference to uncompiled type."},
    {0x8002802A, "Type mismatch."},
    {0x8002802B, "Element not found."},
    {0x8002802C, "Ambiguous name."},
    {0x8002802D, "Name already exists in the library."},
    {0x8002802E, "Unknown LCID."},
    {0x8002802F, "Function not defined in specified DLL."},
    {0x800288BD, "Wrong module kind for the operation."},
    {0x800288C5, "Size may not exceed 64K."},
    {0x800288C6, "Duplicate ID in inheritance hierarchy."},
    {0x800288CF, "Incorrect inheritance depth in standard OLE hmember."},
    {0x80028CA0, "Type mismatch."},
    {0x80028CA1, "Invalid number of arguments."},
    {0x80028CA2, "I/O Error."},
    {0x80028CA3, "Error creating unique tmp file."},
    {0x80029C4A, "Error loading type library/DLL."},
    {0x80029C83, "Inconsistent property functions."},
    {0x80029C84, "Circular dependency between types/modules."},
    {0x80030001, "Unable to perform requested operation."},
    {0x80030002, "%1 could not be found."},
    {0x80030003, "The path %1 could not be found."},
    {0x80030004, "There are insufficient resources to open another file."},
    {0x80030005, "Access Denied."},
    {0x80030006, "Attempted an operation on an invalid object."},
    {0x80030008, "There is insufficient memory available to complete operation."},
    {0x80030009, "Invalid pointer error."},
    {0x8003001E, "A disk error occurred during a read operation."},
    {0x80030020, "A share violation has occurred."},
    {0x80030050, "%1 already exists."},
    {0x800300FB, "The file %1 is not a valid compound file."},
    {0x800300FC, "The name %1 is not valid."},
    {0x80040007, "Uninitialized object"},
    {0x80040110, "Class does not support aggregation (or class object is remote)"},
    {0x80040111, "ClassFactory cannot supply requested class"},
    {0x80040112, "Class is not licensed for use"},
    {0x80040150, "Could not read key from registry"},
    {0x80040151, "Could not write key to registry"},
    {0x80040152, "Could not find the key in the registry"},
    {0x80040153, "Invalid value for registry"},
    {0x80040154, "Class not registered"},
    {0x80040155, "Interface not registered"},
    {0x800401F0, "CoInitialize has not been called."},
    {0x800401F1, "CoInitialize has already been called."},
    {0x800401F3, "Invalid class string"},
    {0x800401F4, "Invalid interface string"},
    {0x800401F5, "Application not found"},
    {0x800401F8, "DLL for class not found"},
    {0x800401F9, "Error in the DLL"},
    {0x800401FD, "Object is not connected to server"},
};

static_assert(std::is_sorted(std::begin(kMessages), std::end(kMessages),
                             [](Message const& a, Message const& b) { return a.code < b.code; }));

std::optional<std::string_view> find(DWORD code)
{
    auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), code,
                               [](Message const& m, DWORD c) { return m.code < c; });
    if (it == std::end(kMessages) || it->code != code)
        return std::nullopt;
    return it->text;
}

std::optional<std::string_view> systemMessage(DWORD code)
{
    if (auto text = find(code))
        return text;
    if ((code & 0xFFFF0000u) == 0x80070000u)
        return find(code & 0xFFFFu);
    return std::nullopt;
}

// Looks the message up and hands it over: into the caller's buffer, or a
// LocalAlloc'd one. Char is char or char16_t; the texts are ASCII.
template <class Char>
DWORD formatMessage(DWORD flags, DWORD messageId, Char* buffer, DWORD size)
{
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & FORMAT_MESSAGE_FROM_STRING) != 0 || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto text = systemMessage(messageId);
    if (!text) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    DWORD length = static_cast<DWORD>(text->size() + 2);
    Char* target = buffer;
    if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
        target = static_cast<Char*>(LocalAlloc(LMEM_FIXED, (std::max<DWORD>(length + 1, size)) * sizeof(Char)));
        if (target == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        *reinterpret_cast<Char**>(buffer) = target;
    } else if (size < length + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(text->begin(), text->end(), target);
    target[length - 2] = Char('\r');
    target[length - 1] = Char('\n');
    target[length] = Char(0);
    return length;
}

} // namespace

DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* Arguments)
{
    return formatMessage(dwFlags, dwMessageId, lpBuffer, nSize);
}

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                     DWORD nSize, va_list* Arguments)
{
    return formatMessage(dwFlags, dwMessageId, lpBuffer, nSize);
}

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    void* memory = std::malloc(uBytes == 0 ? 1 : uBytes);
    if (memory != nullptr && (uFlags & LMEM_ZEROINIT) != 0)
        std::memset(memory, 0, uBytes);
    return memory;
}

HLOCAL LocalFree(HLOCAL hMem)
{
    std::free(hMem);
    return nullptr;
}
