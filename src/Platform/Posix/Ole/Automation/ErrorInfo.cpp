#include "Platform/Posix/Ole/Automation/ErrorInfo.h"

#include <atomic>
#include <new>

#include "Platform/Posix/Ole/Automation/BstrCopy.h"

namespace {

// The object CreateErrorInfo hands out: filled through ICreateErrorInfo,
// read through IErrorInfo. It may travel to another thread with the error,
// hence the atomic count.
class ErrorObject final : public ICreateErrorInfo, public IErrorInfo {
public:
    ErrorObject() = default;
    ErrorObject(ErrorObject const&) = delete;
    ErrorObject& operator=(ErrorObject const&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ICreateErrorInfo))
            *ppv = static_cast<ICreateErrorInfo*>(this);
        else if (IsEqualGUID(riid, IID_IErrorInfo))
            *ppv = static_cast<IErrorInfo*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refCount_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG count = --refCount_;
        if (count == 0)
            delete this;
        return count;
    }

    STDMETHODIMP SetGUID(REFGUID rguid) override
    {
        guid_ = rguid;
        return S_OK;
    }
    STDMETHODIMP SetSource(LPOLESTR szSource) override { return store(source_, szSource); }
    STDMETHODIMP SetDescription(LPOLESTR szDescription) override { return store(description_, szDescription); }
    STDMETHODIMP SetHelpFile(LPOLESTR szHelpFile) override { return store(helpFile_, szHelpFile); }
    STDMETHODIMP SetHelpContext(DWORD dwHelpContext) override
    {
        helpContext_ = dwHelpContext;
        return S_OK;
    }

    STDMETHODIMP GetGUID(GUID* pGUID) override
    {
        if (pGUID == nullptr)
            return E_INVALIDARG;
        *pGUID = guid_;
        return S_OK;
    }
    STDMETHODIMP GetSource(BSTR* pBstrSource) override { return copy(source_, pBstrSource); }
    STDMETHODIMP GetDescription(BSTR* pBstrDescription) override { return copy(description_, pBstrDescription); }
    STDMETHODIMP GetHelpFile(BSTR* pBstrHelpFile) override { return copy(helpFile_, pBstrHelpFile); }
    STDMETHODIMP GetHelpContext(DWORD* pdwHelpContext) override
    {
        if (pdwHelpContext == nullptr)
            return E_INVALIDARG;
        *pdwHelpContext = helpContext_;
        return S_OK;
    }

private:
    ~ErrorObject()
    {
        SysFreeString(source_);
        SysFreeString(description_);
        SysFreeString(helpFile_);
    }

    static HRESULT store(BSTR& field, LPOLESTR text)
    {
        if (text == nullptr) {
            SysFreeString(field);
            field = nullptr;
            return S_OK;
        }
        return SysReAllocString(&field, text) ? S_OK : E_OUTOFMEMORY;
    }

    static HRESULT copy(BSTR field, BSTR* out)
    {
        if (out == nullptr)
            return E_INVALIDARG;
        auto copy = qor::platform::posix::ole::duplicateBstr(field);
        *out = copy.value_or(nullptr);
        return copy ? S_OK : copy.error();
    }

    std::atomic<ULONG> refCount_{1};
    GUID guid_{};
    BSTR source_ = nullptr;
    BSTR description_ = nullptr;
    BSTR helpFile_ = nullptr;
    DWORD helpContext_ = 0;
};

// The error object of the calling thread; released when the thread ends.
struct ThreadError {
    IErrorInfo* info = nullptr;
    ~ThreadError()
    {
        if (info != nullptr)
            info->Release();
    }
};

thread_local ThreadError threadError;

} // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo)
{
    if (pperrinfo == nullptr)
        return E_INVALIDARG;
    *pperrinfo = new (std::nothrow) ErrorObject();
    return *pperrinfo != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo)
{
    if (dwReserved != 0)
        return E_INVALIDARG;
    if (perrinfo != nullptr)
        perrinfo->AddRef();
    IErrorInfo* previous = threadError.info;
    threadError.info = perrinfo;
    if (previous != nullptr)
        previous->Release();
    return S_OK;
}

HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo)
{
    if (dwReserved != 0 || pperrinfo == nullptr)
        return E_INVALIDARG;
    // Reading takes the error: the next call finds none.
    *pperrinfo = threadError.info;
    threadError.info = nullptr;
    return *pperrinfo != nullptr ? S_OK : S_FALSE;
}
