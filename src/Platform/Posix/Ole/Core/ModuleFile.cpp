#include "Platform/Posix/Ole/Core/ModuleFile.h"

#include <elf.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "Platform/Posix/Ole/Core/FileBytes.h"
#include "Platform/Posix/Ole/Core/HResult.h"

namespace qor::platform::posix::ole {

namespace {

#if defined(__x86_64__)
constexpr int thisMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int thisMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int thisMachine = EM_386;
#elif defined(__arm__)
constexpr int thisMachine = EM_ARM;
#else
constexpr int thisMachine = EM_NONE; // not checked here; dlopen still refuses a foreign one
#endif

constexpr unsigned char thisClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char thisByteOrder = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;

LoaderFailure failure(DWORD error, std::filesystem::path const& path, char const* reason) {
    return {error, path.string() + ": " + reason};
}

// The ELF header fields that decide whether dlopen can load the file: the
// machine-independent identification, then type and machine, which have
// the same place in 32- and 64-bit headers.
std::expected<ModuleFileKind, LoaderFailure> elfKind(std::filesystem::path const& path,
                                                     std::array<unsigned char, sizeof(Elf64_Ehdr)> const& header,
                                                     std::size_t size) {
    static_assert(offsetof(Elf32_Ehdr, e_type) == offsetof(Elf64_Ehdr, e_type) &&
                  offsetof(Elf32_Ehdr, e_machine) == offsetof(Elf64_Ehdr, e_machine));
    if (size < sizeof(Elf32_Ehdr))
        return std::unexpected(failure(ERROR_BAD_EXE_FORMAT, path, "ELF header cut short"));
    if (header[EI_CLASS] != thisClass || header[EI_DATA] != thisByteOrder)
        return std::unexpected(failure(ERROR_BAD_EXE_FORMAT, path, "ELF file of another word size or byte order"));
    Elf64_Half type = 0;
    Elf64_Half machine = 0;
    std::memcpy(&type, header.data() + offsetof(Elf64_Ehdr, e_type), sizeof type);
    std::memcpy(&machine, header.data() + offsetof(Elf64_Ehdr, e_machine), sizeof machine);
    if (type != ET_DYN)
        return std::unexpected(failure(ERROR_BAD_EXE_FORMAT, path, "ELF file that is not a shared object"));
    if (thisMachine != EM_NONE && machine != thisMachine)
        return std::unexpected(failure(ERROR_BAD_EXE_FORMAT, path, "ELF shared object for another machine"));
    return ModuleFileKind::sharedObject;
}

} // namespace

std::expected<ModuleFileKind, LoaderFailure> moduleFileKind(std::filesystem::path const& path) {
    // Mapped, not read: only the header is looked at.
    auto file = FileBytes::open(path, std::numeric_limits<std::uint64_t>::max());
    if (!file) {
        DWORD const error = file.error().error;
        return std::unexpected(failure(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                           ? ERROR_MOD_NOT_FOUND
                                           : ERROR_ACCESS_DENIED,
                                       path, file.error().reason));
    }
    std::array<unsigned char, sizeof(Elf64_Ehdr)> header{};
    auto const size = std::min(header.size(), file->bytes().size());
    std::memcpy(header.data(), file->bytes().data(), size);
    if (size >= 2 && header[0] == 'M' && header[1] == 'Z')
        return ModuleFileKind::peImage;
    if (size >= SELFMAG && std::memcmp(header.data(), ELFMAG, SELFMAG) == 0)
        return elfKind(path, header, size);
    return std::unexpected(failure(ERROR_BAD_EXE_FORMAT, path, "neither an ELF shared object nor a PE image"));
}

} // namespace qor::platform::posix::ole
