#include "Platform/Posix/Ole/Core/ComponentRegistry.h"

#include <algorithm>
#include <string>

#include "Platform/Posix/Ole/Core/ComponentRegistryFile.h"
#include "String/Utf.h"

namespace {

std::string textOf(LPCOLESTR text) {
    return text ? qor::string::utf16ToUtf8(text) : std::string();
}

// The rule CLSIDFromProgID's keys follow on Windows: letters, digits and
// dots, no leading digit, at most 39 characters.
bool isValidProgId(std::string const& progId) {
    if (progId.empty())
        return true;
    if (progId.size() > 39 || (progId.front() >= '0' && progId.front() <= '9'))
        return false;
    return std::ranges::all_of(progId, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
    });
}

} // namespace

namespace qor::platform::posix::ole {

std::filesystem::path componentRegistryPath() {
    return componentRegistryFilePath();
}

std::string componentRegistryProblem() {
    return lastComponentRegistryProblem();
}

} // namespace qor::platform::posix::ole

using namespace qor::platform::posix::ole;

HRESULT STDAPICALLTYPE QorRegisterInprocServer(REFCLSID rclsid, LPCOLESTR lpszLibraryPath, LPCOLESTR lpszProgID,
                                               LPCOLESTR lpszVersionIndependentProgID, LPCOLESTR lpszDescription) {
    if (!lpszLibraryPath || !*lpszLibraryPath)
        return E_INVALIDARG;
    InprocServerRecord record{rclsid, textOf(lpszLibraryPath), textOf(lpszProgID),
                              textOf(lpszVersionIndependentProgID), textOf(lpszDescription)};
    if (!isValidProgId(record.progId) || !isValidProgId(record.versionIndependentProgId))
        return E_INVALIDARG;
    std::error_code error;
    auto absolute = std::filesystem::absolute(record.library, error);
    if (!error)
        record.library = absolute.lexically_normal().string();
    return writeInprocServer(record);
}

HRESULT STDAPICALLTYPE QorUnregisterInprocServer(REFCLSID rclsid) {
    return eraseInprocServer(rclsid);
}
