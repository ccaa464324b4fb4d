#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/TypeInfoAndAttribute.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <filesystem>

namespace qor::examples::spreadsheet {

// The sample's own copy of its type library, from which its objects take
// their type information. It belongs to the library, not to any engine, so
// the objects describe themselves to whoever holds them.
class SpreadsheetTypes {
public:
    static constexpr char const* fileName = "QorSpreadsheet.tlb";

    static SpreadsheetTypes& instance();

    // Loads the type library at `path`, unless one is loaded already. S_OK,
    // or why the file gave no library of the sample's types.
    HRESULT load(std::filesystem::path const& path);
    bool isLoaded() const { return loaded; }

    // What objects implementing `iid` are built on; null until a library is
    // loaded, and then their IDispatch answers nothing.
    platform::windows::com::TypeInfoAndAttribute const* find(IID const& iid);

private:
    SpreadsheetTypes();

    HRESULT lastLoadResult = S_OK;
    bool loaded = false;
    platform::windows::com::TypeLibrary types;
};

// Where a host library's type library lies: beside the library's own file.
std::filesystem::path typeLibraryBeside(std::filesystem::path const& libraryPath);

} // namespace qor::examples::spreadsheet
