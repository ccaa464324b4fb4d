#include "Platform/Posix/Ole/Core/PeImageFile.h"

#include "Platform/Posix/Ole/Core/FileBytes.h"
#include "Platform/Posix/Ole/Core/HResult.h"
#include "String/Utf.h"

namespace qor::platform::posix::ole {

std::expected<PeImage, DWORD> readPeImageFile(std::u16string_view path) {
    auto bytes = FileBytes::open(string::utf8ToPath(string::utf16ToUtf8(path)), maxImageFileSize);
    if (!bytes)
        return std::unexpected(bytes.error().error);
    auto image = PeImage::parse(std::move(*bytes));
    if (!image)
        return std::unexpected(ERROR_BAD_EXE_FORMAT);
    return std::move(*image);
}

} // namespace qor::platform::posix::ole
