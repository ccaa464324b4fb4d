#include "Platform/Posix/Ole/Core/SharedObject.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>
#include <string_view>
#include <utility>

#include "Platform/Posix/Ole/Core/HResult.h"

namespace qor::platform::posix::ole {

namespace {

std::string lastDlError() {
    char const* text = dlerror();
    return text != nullptr ? text : "unknown loader error";
}

// glibc words a missing import "undefined symbol: NAME", which Windows
// reports as a missing procedure; a missing dependency, like the object
// itself, is a missing module there.
DWORD errorOfOpenFailure(std::string_view message) {
    if (message.find("undefined symbol: ") != std::string_view::npos)
        return ERROR_PROC_NOT_FOUND;
    if (message.find("cannot dynamically load") != std::string_view::npos)
        return ERROR_BAD_EXE_FORMAT; // an executable, which only the kernel starts
    return ERROR_MOD_NOT_FOUND;
}

} // namespace

void* loaderHandleOfAddress(void const* address) {
    Dl_info info{};
    if (!address || dladdr(address, &info) == 0 || !info.dli_fname)
        return nullptr;
    // RTLD_NOLOAD only finds what is loaded; its reference is given back at
    // once, the caller's module holding one already.
    void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle;
}

std::expected<SharedObject, LoaderFailure> SharedObject::open(std::string const& name) {
    return opened(name.c_str());
}

std::expected<SharedObject, LoaderFailure> SharedObject::program() {
    return opened(nullptr);
}

std::expected<SharedObject, LoaderFailure> SharedObject::opened(char const* name) {
    dlerror();
    void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::string message = lastDlError();
        DWORD const error = errorOfOpenFailure(message);
        return std::unexpected(LoaderFailure{error, std::move(message)});
    }
    return SharedObject(handle);
}

SharedObject::SharedObject(SharedObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

SharedObject& SharedObject::operator=(SharedObject&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr)
            dlclose(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

SharedObject::~SharedObject() {
    if (handle_ != nullptr)
        dlclose(handle_);
}

std::string SharedObject::path() const {
    link_map* map = nullptr;
    if (dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr)
        return {};
    std::error_code error;
    auto const absolute = std::filesystem::absolute(map->l_name, error);
    return error ? std::string(map->l_name) : absolute.lexically_normal().string();
}

std::expected<void*, LoaderFailure> SharedObject::symbol(char const* name) const {
    dlerror();
    void* address = dlsym(handle_, name);
    // A symbol may stand for address 0; only dlerror tells a failure.
    if (char const* text = dlerror())
        return std::unexpected(LoaderFailure{ERROR_PROC_NOT_FOUND, text});
    return address;
}

} // namespace qor::platform::posix::ole
