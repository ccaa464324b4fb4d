#include "Platform/Posix/Ole/UserLocale.h"

#include <atomic>

#include "Platform/Posix/Ole/HResult.h"
#include "Platform/Posix/Ole/Locale.h"
#include "Platform/Posix/Ole/TextConversion.h"

namespace {

// Read by conversions on any thread.
std::atomic<LCID> userDefault{qor::platform::posix::ole::convert::kEnglishUs};

} // namespace

BOOL SetUserDefaultLCID(LCID lcid)
{
    if (!qor::platform::posix::ole::convert::namesLocale(lcid)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    userDefault = lcid;
    return TRUE;
}

LCID GetUserDefaultLCID(void)
{
    return userDefault;
}

LCID GetSystemDefaultLCID(void)
{
    return userDefault;
}
