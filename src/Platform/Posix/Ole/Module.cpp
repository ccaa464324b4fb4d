#include "Platform/Posix/Ole/Module.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Posix/Ole/HResult.h"
#include "Platform/Posix/Ole/TextConversion.h"
#include "Platform/Posix/Ole/PeImageFile.h"
#include "String/Utf.h"

namespace {

using qor::platform::posix::ole::PeImage;
using qor::platform::posix::ole::PeResource;
using qor::platform::posix::ole::ResourceId;

struct LoadedModule {
    std::u16string path;
    PeImage image;
};

// Handles are the addresses of loaded modules; only those in this table are
// accepted, so a stale or made-up handle is an error rather than a crash.
// Callers get shared ownership, so a module freed by a callback during an
// enumeration stays alive until the enumeration ends.
class ModuleTable {
public:
    HMODULE add(std::shared_ptr<LoadedModule> module) {
        std::lock_guard lock(mutex_);
        modules_.push_back(std::move(module));
        return handleOf(*modules_.back());
    }
    bool remove(HMODULE handle) {
        std::lock_guard lock(mutex_);
        return std::erase_if(modules_, [&](auto const& module) { return handleOf(*module) == handle; }) > 0;
    }
    std::shared_ptr<LoadedModule> find(HMODULE handle) {
        std::lock_guard lock(mutex_);
        for (auto const& module : modules_)
            if (handleOf(*module) == handle)
                return module;
        return nullptr;
    }

private:
    static HMODULE handleOf(LoadedModule& module) { return reinterpret_cast<HMODULE>(&module); }

    std::mutex mutex_;
    std::vector<std::shared_ptr<LoadedModule>> modules_;
};

ModuleTable& modules() {
    static ModuleTable table;
    return table;
}

std::u16string absolutePath(std::string const& path) {
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    if (error)
        return qor::string::utf8ToUtf16(path);
    return qor::string::utf8ToUtf16(absolute.lexically_normal().string());
}

std::optional<std::u16string> programPath() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::nullopt;
    return qor::string::utf8ToUtf16(path.string());
}

// The module a resource function names, with ERROR_INVALID_HANDLE for an
// unknown handle and ERROR_RESOURCE_DATA_NOT_FOUND for the program itself,
// which, not being a PE image, holds no resources.
std::shared_ptr<LoadedModule> moduleForResources(HMODULE handle) {
    if (!handle) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    auto module = modules().find(handle);
    if (!module)
        SetLastError(ERROR_INVALID_HANDLE);
    return module;
}

PeResource const* resourceOf(LoadedModule const& module, HRSRC handle) {
    auto resources = module.image.resources();
    auto const* resource = reinterpret_cast<PeResource const*>(handle);
    if (resources.empty() || resource < resources.data() || resource >= resources.data() + resources.size())
        return nullptr;
    return resource;
}

std::size_t copyTerminated(std::u16string_view text, LPWSTR buffer, DWORD size) {
    std::size_t const count = std::min<std::size_t>(text.size(), size - 1);
    std::ranges::copy(text.substr(0, count), buffer);
    buffer[count] = u'\0';
    return count;
}

} // namespace

namespace qor::platform::posix::ole {

ResourceId resourceIdOf(LPCWSTR typeOrName) {
    if (IS_INTRESOURCE(typeOrName))
        return static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(typeOrName));
    std::u16string_view text(typeOrName);
    if (text.size() > 1 && text.size() <= 6 && text.front() == u'#' &&
        std::all_of(text.begin() + 1, text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
        unsigned long number = 0;
        for (char16_t c : text.substr(1))
            number = number * 10 + (c - u'0');
        if (number <= 0xffff)
            return static_cast<std::uint16_t>(number);
    }
    return std::u16string(text);
}

} // namespace qor::platform::posix::ole

using namespace qor::platform::posix::ole;

HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    if (!lpLibFileName || !*lpLibFileName || hFile) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD const asData = LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE;
    if ((dwFlags & asData) == 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto image = readPeImageFile(lpLibFileName);
    if (!image) {
        SetLastError(image.error());
        return nullptr;
    }
    auto module = std::make_shared<LoadedModule>(
        LoadedModule{absolutePath(qor::string::utf16ToUtf8(lpLibFileName)), std::move(*image)});
    return modules().add(std::move(module));
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    if (!modules().remove(hLibModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    std::optional<std::u16string> path;
    if (!hModule) {
        path = programPath();
    } else if (auto module = modules().find(hModule)) {
        path = module->path;
    }
    if (!path) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (!lpFilename) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t const copied = copyTerminated(*path, lpFilename, nSize);
    if (copied < path->size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    return static_cast<DWORD>(copied);
}

BOOL WINAPI EnumResourceNamesW(HMODULE hModule, LPCWSTR lpType, ENUMRESNAMEPROCW lpEnumFunc, LONG_PTR lParam) {
    if (!lpType || !lpEnumFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto module = moduleForResources(hModule);
    if (!module)
        return FALSE;
    // Copied first: the callback may free the module or load others.
    auto names = module->image.namesOf(resourceIdOf(lpType));
    if (names.empty()) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    for (auto& name : names) {
        auto* number = std::get_if<std::uint16_t>(&name);
        LPWSTR argument = number ? MAKEINTRESOURCEW(*number) : std::get<std::u16string>(name).data();
        if (!lpEnumFunc(hModule, lpType, argument, lParam)) {
            SetLastError(ERROR_RESOURCE_ENUM_USER_STOP);
            return FALSE;
        }
    }
    return TRUE;
}

HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
    if (!lpName || !lpType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto module = moduleForResources(hModule);
    if (!module)
        return nullptr;
    ResourceId const type = resourceIdOf(lpType);
    if (auto const* resource = module->image.find(type, resourceIdOf(lpName)))
        return reinterpret_cast<HRSRC>(const_cast<PeResource*>(resource));
    SetLastError(module->image.namesOf(type).empty() ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
    auto module = moduleForResources(hModule);
    if (!module)
        return nullptr;
    auto const* resource = resourceOf(*module, hResInfo);
    if (!resource) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The resource lives as long as its module, as on Windows.
    return const_cast<std::byte*>(module->image.dataOf(*resource).data());
}

LPVOID WINAPI LockResource(HGLOBAL hResData) {
    return hResData;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    auto module = moduleForResources(hModule);
    if (!module)
        return 0;
    auto const* resource = resourceOf(*module, hResInfo);
    if (!resource) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(resource->size);
}
