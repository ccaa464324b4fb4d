#pragma once

// A shared object loaded for its code, as LoadLibraryW loads a DLL: with
// dlopen, every symbol bound at once (RTLD_NOW) and none made visible to
// other objects (RTLD_LOCAL). One object holds one dlopen reference.

#include <expected>
#include <string>

#include "Platform/Posix/Ole/Core/LoaderFailure.h"

namespace qor::platform::posix::ole {

// The loader's handle of the shared object that holds an address, without
// a reference; null for an address outside any.
void* loaderHandleOfAddress(void const* address);

class SharedObject {
public:
    // `name` as dlopen takes it: a path when it has a '/', else a library
    // found on the loader's search path.
    static std::expected<SharedObject, LoaderFailure> open(std::string const& name);
    // The program, whose symbols are its own and those of the libraries it
    // was linked with.
    static std::expected<SharedObject, LoaderFailure> program();

    SharedObject(SharedObject&& other) noexcept;
    SharedObject& operator=(SharedObject&& other) noexcept;
    SharedObject(SharedObject const&) = delete;
    SharedObject& operator=(SharedObject const&) = delete;
    ~SharedObject();

    // The loader's handle: two opens of one object give the same.
    void* handle() const { return handle_; }
    // The file the loader found, made absolute.
    std::string path() const;
    std::expected<void*, LoaderFailure> symbol(char const* name) const;

private:
    explicit SharedObject(void* handle) : handle_(handle) {}
    static std::expected<SharedObject, LoaderFailure> opened(char const* name);

    void* handle_ = nullptr;
};

} // namespace qor::platform::posix::ole
