#pragma once

// COM initialisation of a thread (its apartment) and of OLE on top of it.

#include "Platform/Posix/Ole/Core/Types.h"

typedef enum tagCOINIT {
    COINIT_MULTITHREADED = 0x0,
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_DISABLE_OLE1DDE = 0x4,
    COINIT_SPEED_OVER_MEMORY = 0x8,
} COINIT;

// Counted per thread: the first call gives S_OK, later ones S_FALSE, and
// asking for the other concurrency model RPC_E_CHANGED_MODE.
WINOLEAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
WINOLEAPI CoInitialize(LPVOID pvReserved);
// The last call of a thread ends its apartment: the class objects the thread
// registered are revoked.
WINOLEAPI_(void) CoUninitialize();
WINOLEAPI OleInitialize(LPVOID pvReserved);
WINOLEAPI_(void) OleUninitialize();

namespace qor::platform::posix::ole {

// Windows lets a thread that never initialised COM use the process's
// multithreaded apartment once any thread has one; with no concurrency
// models to keep apart here, any initialised thread stands for that.
bool isComInitializedInProcess();

} // namespace qor::platform::posix::ole
