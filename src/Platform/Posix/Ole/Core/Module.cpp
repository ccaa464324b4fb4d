#include "Platform/Posix/Ole/Core/Module.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/ModuleFile.h"
#include "Platform/Posix/Ole/Core/PeImageFile.h"
#include "Platform/Posix/Ole/Core/SharedObject.h"
#include "Platform/Posix/Ole/Core/TextConversion.h"
#include "String/Utf.h"

namespace {

using qor::platform::posix::ole::LoaderFailure;
using qor::platform::posix::ole::ModuleFileKind;
using qor::platform::posix::ole::PeImage;
using qor::platform::posix::ole::PeResource;
using qor::platform::posix::ole::ResourceId;
using qor::platform::posix::ole::SharedObject;

// The low bits of a handle, as Windows sets them for modules loaded as data.
enum class HandleTag : ULONG_PTR { code = 0, dataFile = 1, imageResource = 2 };

struct LoadedModule {
    std::u16string path;
    std::variant<PeImage, SharedObject> content;
    HandleTag tag = HandleTag::code;
    unsigned loads = 1; // of a shared object, not yet matched by FreeLibrary
};

// Handles are the addresses of loaded modules with their tag; only those in
// this table are accepted, so a stale or made-up handle is an error rather
// than a crash. Callers get shared ownership, so a module freed by a callback
// during an enumeration stays alive until the enumeration ends. A module is
// destroyed, and a shared object closed, outside the lock: closing runs the
// object's destructors, which may free modules themselves.
class ModuleTable {
public:
    HMODULE add(std::shared_ptr<LoadedModule> module) {
        std::lock_guard lock(mutex_);
        modules_.push_back(std::move(module));
        return handleOf(*modules_.back());
    }
    // A shared object loaded already counts one more load; the reference
    // `object` holds is then dropped, once the lock is left, the table's own
    // being enough.
    HMODULE addSharedObject(SharedObject object, std::u16string path) {
        std::lock_guard lock(mutex_);
        for (auto const& module : modules_) {
            auto const* loaded = std::get_if<SharedObject>(&module->content);
            if (loaded != nullptr && loaded->handle() == object.handle()) {
                ++module->loads;
                return handleOf(*module);
            }
        }
        modules_.push_back(std::make_shared<LoadedModule>(LoadedModule{std::move(path), std::move(object)}));
        return handleOf(*modules_.back());
    }
    bool release(HMODULE handle) {
        std::shared_ptr<LoadedModule> unloaded;
        std::lock_guard lock(mutex_);
        auto found = std::ranges::find_if(modules_, [&](auto const& module) { return handleOf(*module) == handle; });
        if (found == modules_.end())
            return false;
        if (--(*found)->loads == 0) {
            unloaded = std::move(*found);
            modules_.erase(found);
        }
        return true;
    }
    // The module of a loader handle, one load more when asked.
    HMODULE findSharedObject(void* loaderHandle, bool addLoad) {
        std::lock_guard lock(mutex_);
        for (auto const& module : modules_) {
            auto const* loaded = std::get_if<SharedObject>(&module->content);
            if (loaded == nullptr || loaded->handle() != loaderHandle)
                continue;
            if (addLoad)
                ++module->loads;
            return handleOf(*module);
        }
        return nullptr;
    }
    std::shared_ptr<LoadedModule> find(HMODULE handle) {
        std::lock_guard lock(mutex_);
        for (auto const& module : modules_)
            if (handleOf(*module) == handle)
                return module;
        return nullptr;
    }

private:
    static HMODULE handleOf(LoadedModule& module) {
        return reinterpret_cast<HMODULE>(reinterpret_cast<ULONG_PTR>(&module) | static_cast<ULONG_PTR>(module.tag));
    }

    std::mutex mutex_;
    std::vector<std::shared_ptr<LoadedModule>> modules_;
};

// Never destroyed: shared objects loaded for their code stay loaded until
// the process ends. Closing them during static destruction would unmap
// code that later exit handlers still call, such as a server's
// DllCanUnloadNow asked by the last CoUninitialize, or the destructor of an
// object the server handed out.
ModuleTable& modules() {
    static auto* table = new ModuleTable;
    return *table;
}

thread_local std::string loaderMessage;

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
// unknown handle and ERROR_RESOURCE_DATA_NOT_FOUND for the program itself
// and shared objects, which, not being PE images, hold no resources.
std::shared_ptr<LoadedModule> moduleForResources(HMODULE handle) {
    if (!handle) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    auto module = modules().find(handle);
    if (!module)
        SetLastError(ERROR_INVALID_HANDLE);
    else if (!std::holds_alternative<PeImage>(module->content))
        return SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND), nullptr;
    return module;
}

PeImage const& imageOf(LoadedModule const& module) {
    return std::get<PeImage>(module.content);
}

PeResource const* resourceOf(LoadedModule const& module, HRSRC handle) {
    auto resources = imageOf(module).resources();
    auto const* resource = reinterpret_cast<PeResource const*>(handle);
    if (resources.empty() || resource < resources.data() || resource >= resources.data() + resources.size())
        return nullptr;
    return resource;
}

template <class Result>
Result failWith(LoaderFailure failure, Result none = {}) {
    loaderMessage = std::move(failure.message);
    SetLastError(failure.error);
    return none;
}

HMODULE loadAsData(LPCWSTR fileName, DWORD flags) {
    auto image = qor::platform::posix::ole::readPeImageFile(fileName);
    if (!image) {
        SetLastError(image.error());
        return nullptr;
    }
    HandleTag const tag = flags & LOAD_LIBRARY_AS_IMAGE_RESOURCE ? HandleTag::imageResource : HandleTag::dataFile;
    auto module = std::make_shared<LoadedModule>(
        LoadedModule{absolutePath(qor::string::utf16ToUtf8(fileName)), std::move(*image), tag});
    return modules().add(std::move(module));
}

// A path is looked at first, for the error Windows gives a file that is no
// shared object; a bare name is left to dlopen's search.
HMODULE loadForCode(std::string const& name) {
    if (name.find('/') != std::string::npos) {
        auto kind = qor::platform::posix::ole::moduleFileKind(name);
        if (!kind)
            return failWith<HMODULE>(std::move(kind.error()));
        char const* const onlyData = ": a Windows PE image, whose code can't run here; "
                                     "LOAD_LIBRARY_AS_DATAFILE reads its resources";
        if (*kind == ModuleFileKind::peImage)
            return failWith<HMODULE>({ERROR_NOT_SUPPORTED, name + onlyData});
    }
    auto object = SharedObject::open(name);
    if (!object)
        return failWith<HMODULE>(std::move(object.error()));
    std::u16string path = qor::string::utf8ToUtf16(object->path());
    return modules().addSharedObject(std::move(*object), std::move(path));
}

SharedObject const* program() {
    static auto const self = SharedObject::program();
    return self ? &*self : nullptr;
}

std::size_t copyTerminated(std::u16string_view text, LPWSTR buffer, DWORD size) {
    std::size_t const count = std::min<std::size_t>(text.size(), size - 1);
    std::ranges::copy(text.substr(0, count), buffer);
    buffer[count] = u'\0';
    return count;
}

} // namespace

namespace qor::platform::posix::ole {

std::string lastLoaderMessage() {
    return loaderMessage;
}

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
    loaderMessage.clear();
    if (!lpLibFileName || !*lpLibFileName || hFile) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD const asData = LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE;
    if (dwFlags & asData)
        return loadAsData(lpLibFileName, dwFlags);
    return loadForCode(qor::string::utf16ToUtf8(lpLibFileName));
}

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
    return LoadLibraryExW(lpLibFileName, nullptr, 0);
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    loaderMessage.clear();
    if (!lpProcName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (IS_INTRESOURCE(lpProcName))
        return failWith<FARPROC>({ERROR_PROC_NOT_FOUND, "ordinal " +
                                                            std::to_string(reinterpret_cast<ULONG_PTR>(lpProcName)) +
                                                            ": shared objects export by name only"});
    std::shared_ptr<LoadedModule> module;
    if (hModule) {
        module = modules().find(hModule);
        if (!module)
            return failWith<FARPROC>({ERROR_MOD_NOT_FOUND, "no module is loaded with this handle"});
    }
    auto const* object = module ? std::get_if<SharedObject>(&module->content) : program();
    if (!object && module)
        return failWith<FARPROC>(
            {ERROR_INVALID_HANDLE, qor::string::utf16ToUtf8(module->path) + ": loaded as data, without code"});
    if (!object)
        return failWith<FARPROC>({ERROR_MOD_NOT_FOUND, "the program can't be opened for its symbols"});
    auto address = object->symbol(lpProcName);
    if (!address)
        return failWith<FARPROC>(std::move(address.error()));
    return reinterpret_cast<FARPROC>(*address);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    if (!modules().release(hLibModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule) {
    if (!phModule) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phModule = nullptr;
    if (!(dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    void* const loaderHandle = qor::platform::posix::ole::loaderHandleOfAddress(lpModuleName);
    HMODULE module = loaderHandle ? modules().findSharedObject(
                                        loaderHandle, !(dwFlags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT))
                                  : nullptr;
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    *phModule = module;
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
    auto names = imageOf(*module).namesOf(resourceIdOf(lpType));
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
    if (auto const* resource = imageOf(*module).find(type, resourceIdOf(lpName)))
        return reinterpret_cast<HRSRC>(const_cast<PeResource*>(resource));
    SetLastError(imageOf(*module).namesOf(type).empty() ? ERROR_RESOURCE_TYPE_NOT_FOUND
                                                        : ERROR_RESOURCE_NAME_NOT_FOUND);
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
    return const_cast<std::byte*>(imageOf(*module).dataOf(*resource).data());
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
