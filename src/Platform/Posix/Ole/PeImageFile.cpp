#include "Platform/Posix/Ole/PeImageFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "Platform/Posix/Ole/HResult.h"
#include "String/Utf.h"

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

std::expected<std::vector<std::byte>, DWORD> readFile(std::string const& path) {
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

} // namespace

namespace qor::platform::posix::ole {

std::expected<PeImage, DWORD> readPeImageFile(std::u16string_view path) {
    auto bytes = readFile(qor::string::utf16ToUtf8(path));
    if (!bytes)
        return std::unexpected(bytes.error());
    auto image = PeImage::parse(std::move(*bytes));
    if (!image)
        return std::unexpected(ERROR_BAD_EXE_FORMAT);
    return std::move(*image);
}

} // namespace qor::platform::posix::ole
