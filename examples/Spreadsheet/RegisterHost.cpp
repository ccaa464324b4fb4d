// The library's entry point: how a host of the engine binds the spreadsheet
// model to its scripts.

#include "Format/Engine/JavaScript/Com/HostLibrary.h"
#include "Platform/Windows/Com/ComClassEntry.h"
#include "Application.h"
#include "Point.h"
#include "SpreadsheetTypes.h"
#include "Workbook.h"

#include <array>
#include <new>
#include <type_traits>

namespace {

using namespace qor::examples::spreadsheet;
using qor::platform::windows::com::ComClassEntry;
using qor::platform::windows::com::ComClasses;
using qor::platform::windows::com::DispatchCreationInterface;
using qor::platform::windows::com::TypeLibrary;

struct HostClass {
    char const* name;
    CLSID clsid;
    ComClassEntry::Creator creator;
    std::uint32_t hostValue;
};

// Creators hand out objects without a reference; the engine takes the first.
// A creatable class's object is also the one whose New and New2 make the
// objects scripts get from `new Point(...)` and `new Workbook(...)`.
std::array<HostClass, 4> hostClasses() {
    return {{
        {"Application", CLSID_Application,
         [](DispatchCreationInterface* engine) -> IUnknown* {
             return static_cast<IApplication*>(new CApplication(engine));
         },
         ComClassEntry::globalObject},
        {"Point", CLSID_Point,
         [](DispatchCreationInterface*) -> IUnknown* { return static_cast<IPoint*>(new CPoint()); }, 0},
        // With the engine, so that the sheets of `new Workbook()` raise
        // their events as the application's do.
        {"Workbook", CLSID_Workbook,
         [](DispatchCreationInterface* engine) -> IUnknown* {
             return static_cast<IWorkbook*>(new CWorkbook(CWorkbook::defaultName, engine));
         },
         0},
        // Named here so that its events reach Sheet.OnChange; scripts cannot
        // create sheets themselves.
        {"Sheet", CLSID_Sheet, nullptr, 0},
    }};
}

} // namespace

QOR_HOST_LIBRARY_ENTRY HRESULT QorRegisterHost(ComClasses& classes, TypeLibrary& typeLibrary,
                                               std::filesystem::path const& libraryPath) {
    try {
        std::filesystem::path const typeLibraryPath = typeLibraryBeside(libraryPath);
        if (HRESULT hr = SpreadsheetTypes::instance().load(typeLibraryPath); FAILED(hr))
            return hr;
        auto entries = hostClasses();
        // All or nothing: a host that already has one of these names keeps
        // its own classes.
        for (HostClass const& entry : entries)
            if (classes.indexOf(entry.name))
                return TYPE_E_NAMECONFLICT;
        typeLibrary.addPath(typeLibraryPath);
        for (HostClass& entry : entries)
            classes.add(entry.name, entry.clsid, std::move(entry.creator), entry.hostValue);
        return S_OK;
    } catch (std::bad_alloc const&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

static_assert(std::is_same_v<decltype(QorRegisterHost), qor::format::engine::javascript::RegisterHostFunction>);
