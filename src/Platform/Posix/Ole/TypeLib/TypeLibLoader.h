#pragma once

#include "Platform/Posix/Ole/Ole.h"

#include <cstddef>
#include <expected>
#include <filesystem>
#include <span>

namespace qor::platform::posix::ole {

class CTypeLib;

// The library behind a LoadTypeLibEx path (a type library file, a PE image,
// or "module\N"), with one reference.
std::expected<CTypeLib*, HRESULT> loadTypeLibPath(std::u16string_view path);

// A library from the bytes of an MSFT image; its imports are looked for in
// `directory`.
OLE_API std::expected<CTypeLib*, HRESULT> loadTypeLibImage(std::span<std::byte const> image,
                                                   std::filesystem::path directory);

// The runtime's own stdole2.
CTypeLib* loadBuiltinStdole2();

} // namespace qor::platform::posix::ole
