#include "Platform/Posix/Ole/PeImageFile.h"

#include "Platform/Posix/Ole/FileBytes.h"
#include "Platform/Posix/Ole/HResult.h"
#include "String/Utf.h"

namespace qor::platform::posix::ole {

std::expected<PeImage, DWORD> readPeImageFile(std::u16string_view path) {
    auto bytes = readFileBytes(qor::string::utf16ToUtf8(path));
    if (!bytes)
        return std::unexpected(bytes.error());
    auto image = PeImage::parse(std::move(*bytes));
    if (!image)
        return std::unexpected(ERROR_BAD_EXE_FORMAT);
    return std::move(*image);
}

} // namespace qor::platform::posix::ole
