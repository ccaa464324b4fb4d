#pragma once

// The one header through which product code reaches COM and OLE Automation:
// the Windows SDK on Windows, the project's own runtime elsewhere.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <ocidl.h>
#include <dispex.h>
#include <servprov.h>
#include <comdef.h>
#include <comutil.h>
#else
#include "Platform/Posix/Ole/Ole.h"
// COM text literals: wide on Windows, UTF-16 here.
#define OLESTR(str) u##str
#endif
