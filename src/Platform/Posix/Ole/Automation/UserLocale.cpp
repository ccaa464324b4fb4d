#include "Platform/Posix/Ole/Automation/UserLocale.h"

#include <atomic>
#include <mutex>

#include "Platform/Posix/Ole/Automation/Locale.h"
#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/TextConversion.h"

namespace {

namespace convert = qor::platform::posix::ole::convert;

// Read by conversions on any thread.
std::atomic<LCID> userDefault{convert::kEnglishUs};

std::mutex settingsMutex;
convert::UserSettings settings;
std::atomic<unsigned> settingsGeneration{0};

// SetVarConversionLocaleSetting's flag: 2 reads the locales without the
// user's settings.
constexpr ULONG kSystemSettings = 2;
std::atomic<ULONG> conversionSetting{0};

bool isSettable(LCTYPE item)
{
    switch (item) {
    case LOCALE_SDECIMAL:
    case LOCALE_STHOUSAND:
    case LOCALE_SCURRENCY:
    case LOCALE_SMONDECIMALSEP:
    case LOCALE_SMONTHOUSANDSEP:
    case LOCALE_SNEGATIVESIGN:
        return true;
    default:
        return false;
    }
}

} // namespace

unsigned convert::userSettingsGeneration()
{
    return settingsGeneration.load(std::memory_order_acquire);
}

bool convert::systemSettingsOnly()
{
    return conversionSetting.load(std::memory_order_relaxed) == kSystemSettings;
}

convert::UserSettings convert::currentUserSettings()
{
    std::lock_guard lock(settingsMutex);
    return settings;
}

BOOL SetLocaleInfoW(LCID Locale, LCTYPE LCType, LPCWSTR lpLCData)
{
    if (lpLCData == nullptr || (Locale != LOCALE_USER_DEFAULT && Locale != GetUserDefaultLCID())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!isSettable(LCType)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return FALSE;
    }
    std::lock_guard lock(settingsMutex);
    settings.values[LCType] = lpLCData;
    settings.generation = settingsGeneration.load(std::memory_order_relaxed) + 1;
    settingsGeneration.store(settings.generation, std::memory_order_release);
    return TRUE;
}

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

HRESULT GetVarConversionLocaleSetting(ULONG* dwFlags)
{
    if (dwFlags == nullptr)
        return E_INVALIDARG;
    *dwFlags = conversionSetting.load(std::memory_order_relaxed);
    return S_OK;
}

HRESULT SetVarConversionLocaleSetting(ULONG dwFlags)
{
    if (dwFlags > kSystemSettings)
        return E_INVALIDARG;
    conversionSetting.store(dwFlags, std::memory_order_relaxed);
    return S_OK;
}
