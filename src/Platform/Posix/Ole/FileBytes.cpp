#include "Platform/Posix/Ole/FileBytes.h"

#include <cerrno>
#include <fstream>
#include <new>
#include <stdexcept>

#include "Platform/Posix/Ole/HResult.h"

namespace qor::platform::posix::ole {

namespace {

DWORD win32ErrorOf(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

} // namespace

std::expected<std::vector<std::byte>, DWORD> readFileBytes(std::filesystem::path const& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return std::unexpected(ERROR_ACCESS_DENIED);
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::unexpected(win32ErrorOf(errno));
    auto const size = std::filesystem::file_size(path, error);
    if (error)
        return std::unexpected(ERROR_INVALID_DATA);
    try {
        std::vector<std::byte> bytes(size);
        file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
        if (static_cast<std::uintmax_t>(file.gcount()) != size)
            return std::unexpected(ERROR_INVALID_DATA);
        return bytes;
    } catch (std::bad_alloc const&) {
        return std::unexpected(ERROR_NOT_ENOUGH_MEMORY);
    } catch (std::length_error const&) {
        return std::unexpected(ERROR_NOT_ENOUGH_MEMORY);
    }
}

} // namespace qor::platform::posix::ole
