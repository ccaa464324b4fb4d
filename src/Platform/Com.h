#pragma once

// The one header through which product code reaches COM and OLE Automation:
// the Windows SDK on Windows, the project's own runtime elsewhere.
//
// Portable code declares its own interfaces as
//     struct DECLSPEC_UUID("efa3f665-...") IMine : public IDispatch { ... };
//     OLE_DECLARE_UUIDOF(IMine, IID_IMine);
// and may then use __uuidof(IMine) or uuidof<IMine>() on both platforms.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <ocidl.h>
#include <olectl.h>
#include <dispex.h>
#include <servprov.h>
#include <comdef.h>
#include <comutil.h>

// Windows knows the identifier from DECLSPEC_UUID already.
#define OLE_DECLARE_UUIDOF(type, iid) static_assert(true)

template <class T>
inline const IID& uuidof()
{
    return __uuidof(T);
}
#else
#include "Platform/Posix/Ole/Ole.h"
// COM text literals: wide on Windows, UTF-16 here.
#define OLESTR(str) u##str
#endif
