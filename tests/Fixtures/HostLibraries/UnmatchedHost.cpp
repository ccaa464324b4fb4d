// A host library that qorjs must refuse before calling its entry point, which
// would register a class: built without the version mark, or, with
// QOR_FIXTURE_VERSION, with a mark of other headers. The entry point is
// declared by hand, as a library that does not include HostLibrary.h does.

#include "Platform/Com.h"
#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <filesystem>

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

#ifdef QOR_FIXTURE_VERSION
FIXTURE_EXPORT char const* QorHostLibraryVersion() {
    return QOR_FIXTURE_VERSION;
}
#endif

FIXTURE_EXPORT HRESULT QorRegisterHost(qor::platform::windows::com::ComClasses& classes,
                                       qor::platform::windows::com::TypeLibrary&, std::filesystem::path const&) {
    classes.add("Unmatched", qor::Guid(), nullptr, 0);
    return S_OK;
}
