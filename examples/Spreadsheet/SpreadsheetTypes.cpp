#include "SpreadsheetTypes.h"

#include "Interfaces.h"

namespace qor::examples::spreadsheet {

using platform::windows::com::TypeInfoAndAttribute;

SpreadsheetTypes& SpreadsheetTypes::instance() {
    static SpreadsheetTypes types;
    return types;
}

// The loader keeps the result of the file's loading, which TypeLibrary
// itself passes over, so that a failure can be told to the host.
SpreadsheetTypes::SpreadsheetTypes()
    : types([this](OLECHAR const* path, ITypeLib** library) {
          lastLoadResult = LoadTypeLibEx(path, REGKIND_NONE, library);
          return lastLoadResult;
      }) {}

HRESULT SpreadsheetTypes::load(std::filesystem::path const& path) {
    if (loaded)
        return S_OK;
    lastLoadResult = S_OK;
    types.addPath(path);
    if (types.find(Guid(IID_IApplication)) == nullptr)
        return FAILED(lastLoadResult) ? lastLoadResult : TYPE_E_ELEMENTNOTFOUND;
    loaded = true;
    return S_OK;
}

TypeInfoAndAttribute const* SpreadsheetTypes::find(IID const& iid) {
    return loaded ? types.find(Guid(iid)) : nullptr;
}

std::filesystem::path typeLibraryBeside(std::filesystem::path const& libraryPath) {
    return libraryPath.parent_path() / SpreadsheetTypes::fileName;
}

} // namespace qor::examples::spreadsheet
