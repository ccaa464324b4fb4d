#include "Platform/Posix/Ole/Automation/UserLocale.h"

#include <atomic>

#include "Platform/Posix/Ole/Automation/Locale.h"
#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/TextConversion.h"

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
