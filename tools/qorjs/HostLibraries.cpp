#include "HostLibraries.h"

#include "Format/Engine/JavaScript/Com/HostLibrary.h"
#include "Platform/Windows/ErrorCode.h"
#include "String/Utf.h"

#include <array>
#include <exception>
#include <filesystem>
#include <string_view>

namespace qor::tools::qorjs {
namespace {

using format::engine::javascript::hostLibraryVersion;
using format::engine::javascript::HostLibraryVersionFunction;
using format::engine::javascript::hostLibraryVersionName;
using format::engine::javascript::RegisterHostFunction;
using format::engine::javascript::registerHostName;
using platform::windows::ErrorCode;

// A file named as it is, relative to the current directory, is loaded by its
// full path: the loader would otherwise look for a bare name on its own
// search path, and not in the current directory.
std::filesystem::path whereToLoad(std::string const& path) {
    std::filesystem::path const given = string::utf8ToPath(path);
    std::error_code error;
    if (std::filesystem::is_regular_file(given, error))
        return std::filesystem::absolute(given, error);
    return given;
}

// The file the loader found for `module`, which is what the library's own
// files lie beside.
std::filesystem::path loadedFile(HMODULE module, std::filesystem::path const& fallback) {
    std::array<WCHAR, 4096> buffer{};
    DWORD const length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return fallback;
    return std::filesystem::path(std::basic_string<WCHAR>(buffer.data(), length));
}

// Why the last LoadLibraryW failed, the file named where the system's text
// has a place for it ("%1 is not a valid Win32 application."); the POSIX
// runtime also has the loader's own words, which name the cause.
std::string loadFailureReason(DWORD error, std::string const& path) {
    std::string reason = ErrorCode::sMessage(error, path);
#ifndef _WIN32
    if (std::string const detail = platform::posix::ole::lastLoaderMessage(); !detail.empty())
        reason += " (" + detail + ")";
#endif
    return reason;
}

std::string failure(std::string const& path, std::string const& reason) {
    return "host library " + path + " " + reason;
}

// Through a plain function pointer type, which every function type may be
// cast from and to.
template <class Function>
Function* exported(HMODULE module, char const* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A library built against other headers than qorjs may lay out the objects
// it is handed otherwise: it is refused before its entry point is called.
std::expected<void, std::string> checkVersion(HMODULE module, std::string const& path) {
    std::string const rebuild =
        ": rebuild it against QorJavaScriptCom " + std::string(hostLibraryVersion) + ", the version of this qorjs";
    auto const mark = exported<HostLibraryVersionFunction>(module, hostLibraryVersionName);
    if (mark == nullptr)
        return std::unexpected(failure(path, std::string("has no version mark ") + hostLibraryVersionName + rebuild));
    char const* const marked = mark();
    std::string_view const built = marked != nullptr ? marked : "(none)";
    if (built != hostLibraryVersion)
        return std::unexpected(failure(path, "was built against QorJavaScriptCom " + std::string(built) + rebuild));
    return {};
}

} // namespace

HostLibraries::~HostLibraries() {
    for (auto module = modules.rbegin(); module != modules.rend(); ++module)
        FreeLibrary(*module);
}

std::expected<void, std::string> HostLibraries::load(std::string const& path,
                                                     platform::windows::com::ComClasses& classes,
                                                     platform::windows::com::TypeLibrary& typeLibrary) {
    std::filesystem::path const file = whereToLoad(path);
    HMODULE const module = LoadLibraryW(reinterpret_cast<LPCWSTR>(file.u16string().c_str()));
    if (module == nullptr)
        return std::unexpected(failure(path, "cannot be loaded: " + loadFailureReason(GetLastError(), path)));
    modules.push_back(module);
    auto const entry = exported<RegisterHostFunction>(module, registerHostName);
    if (entry == nullptr)
        return std::unexpected(failure(path, std::string("has no entry point ") + registerHostName));
    if (auto checked = checkVersion(module, path); !checked)
        return checked;
    HRESULT result = E_UNEXPECTED;
    // The entry point throws nothing by contract; one that does is reported
    // like a failure, not let through to end the process.
    try {
        result = entry(classes, typeLibrary, loadedFile(module, file));
    } catch (std::exception const& exception) {
        return std::unexpected(failure(path, std::string("failed: its entry point threw: ") + exception.what()));
    } catch (...) {
        return std::unexpected(failure(path, "failed: its entry point threw"));
    }
    if (FAILED(result))
        return std::unexpected(
            failure(path, "registered nothing: " + ErrorCode::sMessage(static_cast<std::uint32_t>(result))));
    return {};
}

} // namespace qor::tools::qorjs
