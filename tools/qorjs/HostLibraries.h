#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <expected>
#include <string>
#include <vector>

namespace qor::tools::qorjs {

// The host libraries of a run (qorjs --host LIB), kept loaded until it is
// over. It must outlive the registry and type library the libraries filled:
// their creators are the libraries' code.
class HostLibraries {
public:
    HostLibraries() = default;
    HostLibraries(HostLibraries const&) = delete;
    HostLibraries& operator=(HostLibraries const&) = delete;
    ~HostLibraries();

    // Loads the library at `path` and lets it register its classes and type
    // libraries; on failure, the message to show, naming the file and why.
    std::expected<void, std::string> load(std::string const& path, platform::windows::com::ComClasses& classes,
                                          platform::windows::com::TypeLibrary& typeLibrary);

private:
    std::vector<HMODULE> modules;
};

} // namespace qor::tools::qorjs
