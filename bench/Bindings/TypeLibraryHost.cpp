// A host library that brings one type library and no classes of its own:
// `qorjs --host` with it binds every type of a large real library, so that a
// first engine over it can be timed as a whole process.

#include "Format/Engine/JavaScript/Com/HostLibrary.h"

using qor::platform::windows::com::ComClasses;
using qor::platform::windows::com::TypeLibrary;

QOR_HOST_LIBRARY_ENTRY HRESULT QorRegisterHost(ComClasses&, TypeLibrary& typeLibrary, std::filesystem::path const&) {
    typeLibrary.addPath(QOR_BENCH_HOST_TYPELIB);
    return S_OK;
}
