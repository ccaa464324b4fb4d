#pragma once

// The one way the runtime reads a file: registry files, type libraries and
// module images alike. A regular file is mapped, so that a parser pays only
// for the pages it looks at (a module's resources, not its code); anything
// else (a directory, a FIFO that would wait for a writer forever, a device
// that never ends) is refused before it is opened for good.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <vector>

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole {

// Why a file can't be had: the Win32 error code Windows would give, and a
// few words for a person.
struct FileFault {
    DWORD error;
    char const* reason;
};

// Type libraries and PE images address their content with 32-bit offsets:
// no sound one is larger.
inline constexpr std::uint64_t maxImageFileSize = std::uint64_t{1} << 32;

class OLE_API FileBytes {
public:
    // The whole content of the regular file at `path`, when it holds at
    // most `limit` bytes. The file should not shrink while the bytes live:
    // as with a mapped image on Windows, reading a page gone is fatal.
    static std::expected<FileBytes, FileFault> open(std::filesystem::path const& path, std::uint64_t limit);

    // Bytes already in memory, for images that come from elsewhere.
    explicit FileBytes(std::vector<std::byte> bytes);

    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(FileBytes const&) = delete;
    FileBytes& operator=(FileBytes const&) = delete;
    ~FileBytes();

    // Stay where they are when the FileBytes is moved.
    std::span<std::byte const> bytes() const { return view_; }

private:
    FileBytes(void* mapping, std::size_t size);

    std::vector<std::byte> owned_;
    void* mapping_ = nullptr;
    std::span<std::byte const> view_;
};

} // namespace qor::platform::posix::ole
