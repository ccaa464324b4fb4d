#pragma once

// The locale that LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT stand for in
// conversions (VariantChangeType(Ex) and the calls that use it). Windows takes
// it from the user's settings; here the host sets it, and until it does it is
// en-US (0x0409), so that results never depend on the environment.

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/Core/Types.h"

// Makes `lcid` the user and system default locale of the process. FALSE, with
// ERROR_INVALID_PARAMETER as the last error and nothing changed, for an LCID
// that names no known locale or is itself a default (LOCALE_USER_DEFAULT).
WINBASEAPI BOOL WINAPI SetUserDefaultLCID(LCID lcid);

WINBASEAPI LCID WINAPI GetUserDefaultLCID(void);
WINBASEAPI LCID WINAPI GetSystemDefaultLCID(void);
