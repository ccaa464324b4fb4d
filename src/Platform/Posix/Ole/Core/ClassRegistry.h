#pragma once

// The class objects of the process: what CoRegisterClassObject registers,
// CoGetClassObject hands out and CoCreateInstance creates objects with.
// Classes the process registered itself come first; then the in-process
// servers of the component registry (InprocServers.h). There are no local
// or remote servers to start.

#include "Platform/Posix/Ole/Core/ClassFactory.h"
#include "Platform/Posix/Ole/Core/Guid.h"
#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/Types.h"
#include "Platform/Posix/Ole/Core/Unknown.h"

typedef enum tagCLSCTX {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
} CLSCTX;
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

typedef enum tagREGCLS {
    REGCLS_SINGLEUSE = 0,
    REGCLS_MULTIPLEUSE = 1,
    REGCLS_MULTI_SEPARATE = 2,
    REGCLS_SUSPENDED = 4,
    REGCLS_SURROGATE = 8,
} REGCLS;

typedef struct _COSERVERINFO COSERVERINFO;

inline constexpr HRESULT CO_E_OBJISREG = static_cast<HRESULT>(0x800401FBu);

// The class object gets a reference of the registration; *lpdwRegister
// receives the cookie for CoRevokeClassObject. CO_E_OBJISREG when the class
// is already registered for an overlapping context.
WINOLEAPI CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags,
                                LPDWORD lpdwRegister);
WINOLEAPI CoRevokeClassObject(DWORD dwRegister);
// Makes the registrations made with REGCLS_SUSPENDED available.
WINOLEAPI CoResumeClassObjects();
WINOLEAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo, REFIID riid,
                           LPVOID* ppv);
WINOLEAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);

namespace qor::platform::posix::ole {

// Ends the apartment of the calling thread for the class objects it
// registered, as the last CoUninitialize of a thread does.
void revokeClassObjectsOfThisThread();

} // namespace qor::platform::posix::ole
