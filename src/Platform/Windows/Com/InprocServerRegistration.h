#pragma once

// QorRegisterInprocServer and QorUnregisterInprocServer for a server's
// DllRegisterServer and DllUnregisterServer, on both platforms: the POSIX
// runtime writes its component registry file; on Windows they write the
// same keys under HKCU\Software\Classes, where COM looks for a user's
// in-process servers.

#include "Platform/Com.h"

#ifdef _WIN32
#include <string>

namespace qor::platform::windows::com::inproc_registration {

inline std::wstring clsidKey(REFCLSID clsid) {
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"Software\\Classes\\CLSID\\") + text;
}

inline LSTATUS setValue(std::wstring const& key, wchar_t const* name, wchar_t const* value) {
    auto const bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
    return RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, value, bytes);
}

inline HRESULT registerProgId(wchar_t const* progId, REFCLSID clsid, wchar_t const* curVer) {
    if (!progId || !*progId)
        return S_OK;
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    std::wstring const key = std::wstring(L"Software\\Classes\\") + progId;
    LSTATUS status = setValue(key + L"\\CLSID", nullptr, text);
    if (status == ERROR_SUCCESS && curVer && *curVer)
        status = setValue(key + L"\\CurVer", nullptr, curVer);
    return HRESULT_FROM_WIN32(status);
}

} // namespace qor::platform::windows::com::inproc_registration

inline HRESULT QorRegisterInprocServer(REFCLSID rclsid, LPCOLESTR lpszLibraryPath, LPCOLESTR lpszProgID,
                                       LPCOLESTR lpszVersionIndependentProgID, LPCOLESTR lpszDescription) {
    using namespace qor::platform::windows::com::inproc_registration;
    if (!lpszLibraryPath || !*lpszLibraryPath)
        return E_INVALIDARG;
    std::wstring const key = clsidKey(rclsid);
    LSTATUS status = setValue(key + L"\\InprocServer32", nullptr, lpszLibraryPath);
    if (status == ERROR_SUCCESS)
        status = setValue(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    if (status == ERROR_SUCCESS && lpszDescription)
        status = setValue(key, nullptr, lpszDescription);
    if (status == ERROR_SUCCESS && lpszProgID)
        status = setValue(key + L"\\ProgID", nullptr, lpszProgID);
    if (status == ERROR_SUCCESS && lpszVersionIndependentProgID)
        status = setValue(key + L"\\VersionIndependentProgID", nullptr, lpszVersionIndependentProgID);
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    if (HRESULT hr = registerProgId(lpszProgID, rclsid, nullptr); FAILED(hr))
        return hr;
    return registerProgId(lpszVersionIndependentProgID, rclsid, lpszProgID);
}

inline HRESULT QorUnregisterInprocServer(REFCLSID rclsid) {
    using namespace qor::platform::windows::com::inproc_registration;
    std::wstring const key = clsidKey(rclsid);
    wchar_t names[2][128];
    DWORD sizes[2] = {sizeof names[0], sizeof names[1]};
    LSTATUS const progId = RegGetValueW(HKEY_CURRENT_USER, (key + L"\\ProgID").c_str(), nullptr, RRF_RT_REG_SZ,
                                        nullptr, names[0], &sizes[0]);
    LSTATUS const independent = RegGetValueW(HKEY_CURRENT_USER, (key + L"\\VersionIndependentProgID").c_str(),
                                             nullptr, RRF_RT_REG_SZ, nullptr, names[1], &sizes[1]);
    LSTATUS const status = RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    if (progId == ERROR_SUCCESS)
        RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\") + names[0]).c_str());
    if (independent == ERROR_SUCCESS)
        RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\") + names[1]).c_str());
    if (status == ERROR_FILE_NOT_FOUND)
        return S_FALSE;
    return HRESULT_FROM_WIN32(status);
}
#endif
