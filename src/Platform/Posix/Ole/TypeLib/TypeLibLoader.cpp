#include "Platform/Posix/Ole/TypeLib/TypeLibLoader.h"

#include "Platform/Posix/Ole/Core/FileBytes.h"
#include "Platform/Posix/Ole/Core/ModuleResources.h"
#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"
#include "Platform/Posix/Ole/TypeLib/Stdole2.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibReader.h"
#include "String/Utf.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace qor::platform::posix::ole {

namespace {

bool isPeImage(std::span<std::byte const> bytes) {
    return bytes.size() >= 2 && bytes[0] == std::byte{'M'} && bytes[1] == std::byte{'Z'};
}

// "module\N": TYPELIB resource N of a PE image.
struct ModuleResource {
    std::u16string module;
    int index;
};

std::optional<ModuleResource> moduleResourceOf(std::u16string_view path) {
    auto const cut = path.find_last_of(u'\\');
    if (cut == std::u16string_view::npos || cut + 1 == path.size() || path.size() - cut > 6)
        return std::nullopt;
    int index = 0;
    for (char16_t c : path.substr(cut + 1)) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        index = index * 10 + (c - u'0');
    }
    return ModuleResource{std::u16string(path.substr(0, cut)), index};
}

bool namesStdole(std::filesystem::path const& path) {
    std::string name = path.filename().string();
    std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name == "stdole2.tlb" || name == "stdole32.tlb";
}

std::filesystem::path toPath(std::u16string_view text) {
    return string::utf8ToPath(string::utf16ToUtf8(text));
}

std::expected<CTypeLib*, HRESULT> loadModuleResource(std::u16string_view module, int index) {
    auto resource = readTypeLibResource(module, index);
    if (!resource)
        return std::unexpected(resource.error() == E_INVALIDARG ? TYPE_E_CANTLOADLIBRARY : resource.error());
    return loadTypeLibImage(resource->bytes, toPath(module).parent_path());
}

// The image is mapped already: parsed in place, not opened again.
std::expected<CTypeLib*, HRESULT> loadFirstResource(FileBytes bytes, std::filesystem::path directory) {
    auto image = PeImage::parse(std::move(bytes));
    if (!image)
        return std::unexpected(TYPE_E_CANTLOADLIBRARY);
    auto resource = typeLibResourceOf(*image, 1);
    if (!resource)
        return std::unexpected(resource.error());
    return loadTypeLibImage(*resource, std::move(directory));
}

} // namespace

std::expected<CTypeLib*, HRESULT> loadTypeLibImage(std::span<std::byte const> image, std::filesystem::path directory) {
    auto record = readTypeLib(image);
    if (!record)
        return std::unexpected(record.error() == TypeLibFault::unsupportedFormat ? TYPE_E_UNSUPFORMAT
                                                                                  : TYPE_E_INVDATAREAD);
    return CTypeLib::create(std::make_shared<TypeLibRecord const>(std::move(*record)), std::move(directory));
}

CTypeLib* loadBuiltinStdole2() {
    // The image is the build's own output: it always reads.
    return loadTypeLibImage(stdole2Image(), {}).value();
}

std::expected<CTypeLib*, HRESULT> loadTypeLibPath(std::u16string_view path) {
    std::filesystem::path const file = toPath(path);
    if (auto bytes = FileBytes::open(file, maxImageFileSize)) {
        if (isPeImage(bytes->bytes()))
            return loadFirstResource(std::move(*bytes), file.parent_path());
        return loadTypeLibImage(bytes->bytes(), file.parent_path());
    }
    if (auto resource = moduleResourceOf(path))
        return loadModuleResource(resource->module, resource->index);
    if (namesStdole(file))
        return loadBuiltinStdole2();
    return std::unexpected(TYPE_E_CANTLOADLIBRARY);
}

} // namespace qor::platform::posix::ole

using qor::platform::posix::ole::loadTypeLibPath;

WINOLEAUTAPI LoadTypeLibEx(LPCOLESTR szFile, REGKIND, ITypeLib** pptlib) {
    // Without a name the caller's pointer is left as it was, as Windows does.
    if (pptlib == nullptr || szFile == nullptr)
        return E_INVALIDARG;
    *pptlib = nullptr;
    auto loaded = loadTypeLibPath(szFile);
    if (!loaded)
        return loaded.error();
    *pptlib = *loaded;
    return S_OK;
}

WINOLEAUTAPI LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib) { return LoadTypeLibEx(szFile, REGKIND_DEFAULT, pptlib); }
