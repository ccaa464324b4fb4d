#include "Platform/Posix/Ole/Core/FileBytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

#include "Platform/Posix/Ole/Core/HResult.h"

namespace qor::platform::posix::ole {

namespace {

FileFault faultOf(int error) {
    switch (error) {
    case ENOENT:
        return {ERROR_FILE_NOT_FOUND, "no such file"};
    case ENOTDIR:
        return {ERROR_PATH_NOT_FOUND, "a folder of its path is not a folder"};
    case EACCES:
    case EPERM:
        return {ERROR_ACCESS_DENIED, "permission denied"};
    case ENAMETOOLONG:
        return {ERROR_FILENAME_EXCED_RANGE, "name too long"};
    case ELOOP:
        return {ERROR_PATH_NOT_FOUND, "too many symbolic links"};
    case ENOMEM:
        return {ERROR_NOT_ENOUGH_MEMORY, "out of memory"};
    default:
        return {ERROR_ACCESS_DENIED, "cannot be read"};
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(Descriptor const&) = delete;
    Descriptor& operator=(Descriptor const&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Where the file system can't map (some network and FUSE file systems).
std::expected<std::vector<std::byte>, FileFault> readAll(int fd, std::size_t size) {
    std::vector<std::byte> bytes(size);
    std::size_t done = 0;
    while (done < size) {
        ssize_t const n = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::unexpected(faultOf(errno));
        if (n == 0)
            return std::unexpected(FileFault{ERROR_INVALID_DATA, "shrank while it was read"});
        done += static_cast<std::size_t>(n);
    }
    return bytes;
}

} // namespace

std::expected<FileBytes, FileFault> FileBytes::open(std::filesystem::path const& path, std::uint64_t limit) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer; with it, the
    // FIFO opens at once and is refused below like any other special file.
    Descriptor const file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return std::unexpected(faultOf(errno));
    struct stat status{};
    if (::fstat(file.get(), &status) != 0)
        return std::unexpected(faultOf(errno));
    if (S_ISDIR(status.st_mode))
        return std::unexpected(FileFault{ERROR_ACCESS_DENIED, "a directory"});
    if (!S_ISREG(status.st_mode))
        return std::unexpected(FileFault{ERROR_ACCESS_DENIED, "not a regular file"});
    auto const size = static_cast<std::uint64_t>(status.st_size);
    if (size > limit || size > std::numeric_limits<std::size_t>::max())
        return std::unexpected(FileFault{ERROR_FILE_TOO_LARGE, "too large"});
    if (size == 0)
        return FileBytes(std::vector<std::byte>{});
    void* mapping = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, file.get(), 0);
    if (mapping != MAP_FAILED)
        return FileBytes(mapping, static_cast<std::size_t>(size));
    if (errno == ENOMEM)
        return std::unexpected(faultOf(ENOMEM));
    auto bytes = readAll(file.get(), static_cast<std::size_t>(size));
    if (!bytes)
        return std::unexpected(bytes.error());
    return FileBytes(std::move(*bytes));
}

FileBytes::FileBytes(std::vector<std::byte> bytes) : owned_(std::move(bytes)), view_(owned_) {}

FileBytes::FileBytes(void* mapping, std::size_t size)
    : mapping_(mapping), view_(static_cast<std::byte const*>(mapping), size) {}

FileBytes::FileBytes(FileBytes&& other) noexcept
    : owned_(std::move(other.owned_)), mapping_(std::exchange(other.mapping_, nullptr)),
      view_(std::exchange(other.view_, {})) {}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this != &other) {
        FileBytes old(std::move(*this));
        owned_ = std::move(other.owned_);
        mapping_ = std::exchange(other.mapping_, nullptr);
        view_ = std::exchange(other.view_, {});
    }
    return *this;
}

FileBytes::~FileBytes() {
    if (mapping_ != nullptr)
        ::munmap(mapping_, view_.size());
}

} // namespace qor::platform::posix::ole
