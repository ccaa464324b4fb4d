#pragma once

// The entry point of a host library: a shared library (a DLL on Windows)
// that brings its own COM object model to a host of the engine, as
// `qorjs --host LIB` loads it. The host loads the library, finds the entry
// point by its name and calls it once, before it builds its first engine;
// the library registers its classes and type libraries there:
//
//     QOR_HOST_LIBRARY_ENTRY HRESULT QorRegisterHost(ComClasses& classes, TypeLibrary& typeLibrary,
//                                                    std::filesystem::path const& libraryPath) {
//         typeLibrary.addPath(libraryPath.parent_path() / "MyModel.tlb");
//         classes.add("App", CLSID_App, [](DispatchCreationInterface*) -> IUnknown* { return new CApp; },
//                     ComClassEntry::globalObject);
//         return S_OK;
//     }
//
// - `libraryPath` is the library's own file, so that it can find what lies
//   beside it.
// - S_OK, or the failure the host reports (the library has then registered
//   nothing). The entry point throws nothing.
// - The host keeps the library loaded for as long as `classes` and
//   `typeLibrary` live: their creators are the library's code.
//
// The signature passes C++ objects, so the library must be built with the
// same compiler, standard library and headers of this library as the host.
// Including this header gives the library a second export, its version
// mark QorHostLibraryVersion, which says which headers it was built
// against. Before it calls the entry point, a host calls the mark and
// compares what it returns with its own `hostLibraryVersion`; a library
// whose mark differs, or that has none, is refused and must be rebuilt.

#include "Format/Engine/JavaScript/Com/Version.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <filesystem>

namespace qor::format::engine::javascript {

using RegisterHostFunction = HRESULT(platform::windows::com::ComClasses& classes,
                                     platform::windows::com::TypeLibrary& typeLibrary,
                                     std::filesystem::path const& libraryPath);

// The name under which a host library exports its RegisterHostFunction.
inline constexpr char const registerHostName[] = "QorRegisterHost";

// The version mark: a function of the library, exported under
// `hostLibraryVersionName`, that returns the `hostLibraryVersion` of the
// headers the library was built against.
using HostLibraryVersionFunction = char const*();
inline constexpr char const hostLibraryVersionName[] = "QorHostLibraryVersion";
inline constexpr char const hostLibraryVersion[] = QOR_JAVASCRIPT_COM_VERSION "+" QOR_JAVASCRIPT_COM_HEADERS_DIGEST;

} // namespace qor::format::engine::javascript

// Exports a host library's entry point under its plain name.
#if defined(_WIN32)
#    define QOR_HOST_LIBRARY_ENTRY extern "C" __declspec(dllexport)
#else
#    define QOR_HOST_LIBRARY_ENTRY extern "C" __attribute__((visibility("default")))
#endif

// The mark itself, in every library that includes this header, though not in
// this library's own, which host libraries load as a dependency: the loader
// would find its mark in a library that has none. Each unit that includes
// the header emits the function, and the linker keeps one. It returns a
// literal of its own rather than `hostLibraryVersion`, whose one copy in the
// process may be another library's.
#if !defined(QOR_JAVASCRIPT_COM_BUILD)
#    if defined(_WIN32)
extern "C" __declspec(dllexport) inline char const* QorHostLibraryVersion() {
#    else
extern "C" __attribute__((visibility("default"), used)) inline char const* QorHostLibraryVersion() {
#    endif
    return QOR_JAVASCRIPT_COM_VERSION "+" QOR_JAVASCRIPT_COM_HEADERS_DIGEST;
}
#endif
