// The library as an in-process server: scripts of any host reach the model
// with new ActiveXObject("QorSpreadsheet.Application") once qorregsvr (or
// regsvr32 on Windows) has registered it.

#include "Platform/Windows/Com/InprocServerRegistration.h"
#include "Application.h"
#include "Export.h"
#include "LiveObjects.h"
#include "Point.h"
#include "SpreadsheetTypes.h"
#include "Workbook.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <new>
#include <string>

namespace {

using namespace qor::examples::spreadsheet;

struct ServedClass {
    CLSID const* clsid;
    char16_t const* progId;
    char16_t const* versionIndependentProgId;
    char16_t const* description;
    IUnknown* (*create)();
};

std::array<ServedClass, 3> const servedClasses = {{
    {&CLSID_Application, u"QorSpreadsheet.Application.1", u"QorSpreadsheet.Application",
     u"QorSpreadsheet sample application",
     []() -> IUnknown* { return static_cast<IApplication*>(new CApplication()); }},
    {&CLSID_Workbook, u"QorSpreadsheet.Workbook.1", u"QorSpreadsheet.Workbook", u"QorSpreadsheet sample workbook",
     []() -> IUnknown* { return static_cast<IWorkbook*>(new CWorkbook(CWorkbook::defaultName)); }},
    {&CLSID_Point, u"QorSpreadsheet.Point.1", u"QorSpreadsheet.Point", u"QorSpreadsheet sample point",
     []() -> IUnknown* { return static_cast<IPoint*>(new CPoint()); }},
}};

std::atomic<long> serverLocks{0};

// The class objects hold a LiveObject, so the library is not unloaded while
// a client still has one.
class ClassObject final : public IClassFactory {
public:
    explicit ClassObject(ServedClass const& served) : served_(served) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
    STDMETHODIMP_(ULONG) Release() override {
        long const left = --references_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        IUnknown* object = nullptr;
        try {
            object = served_.create();
        } catch (std::bad_alloc const&) {
            return E_OUTOFMEMORY;
        }
        object->AddRef();
        HRESULT const hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lock ? ++serverLocks : --serverLocks;
        return S_OK;
    }

private:
    ServedClass const& served_;
    std::atomic<long> references_{0};
    LiveObject live_;
};

std::filesystem::path ownPath() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&servedClasses), &module))
        return {};
    OLECHAR buffer[4096];
    DWORD const length = GetModuleFileNameW(module, buffer, 4096);
    if (length == 0 || length >= 4096)
        return {};
    return std::filesystem::path(std::basic_string<OLECHAR>(buffer, length));
}

// The objects describe themselves from the type library beside the server.
HRESULT ensureTypesLoaded() {
    static HRESULT const loaded = [] {
        std::filesystem::path const path = ownPath();
        return path.empty() ? HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)
                            : SpreadsheetTypes::instance().load(typeLibraryBeside(path));
    }();
    return loaded;
}

std::basic_string<OLECHAR> oleText(char16_t const* text) {
    return std::basic_string<OLECHAR>(text, text + std::char_traits<char16_t>::length(text));
}

} // namespace

QOR_SPREADSHEET_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (ServedClass const& served : servedClasses) {
        if (*served.clsid != rclsid)
            continue;
        if (HRESULT hr = ensureTypesLoaded(); FAILED(hr))
            return hr;
        auto* object = new (std::nothrow) ClassObject(served);
        if (!object)
            return E_OUTOFMEMORY;
        object->AddRef();
        HRESULT const hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

QOR_SPREADSHEET_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return liveObjectCount() == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

QOR_SPREADSHEET_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    std::filesystem::path const path = ownPath();
    if (path.empty())
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    auto const library = path.generic_u16string();
    for (ServedClass const& served : servedClasses) {
        HRESULT const hr = QorRegisterInprocServer(*served.clsid, oleText(library.c_str()).c_str(),
                                                   oleText(served.progId).c_str(),
                                                   oleText(served.versionIndependentProgId).c_str(),
                                                   oleText(served.description).c_str());
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

QOR_SPREADSHEET_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    HRESULT result = S_OK;
    for (ServedClass const& served : servedClasses)
        if (HRESULT hr = QorUnregisterInprocServer(*served.clsid); FAILED(hr))
            result = hr;
    return result;
}
