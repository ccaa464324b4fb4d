#pragma once

// The compiler's COM support classes of Windows (comutil.h, comdef.h):
// _com_error, the exception that carries an HRESULT; _bstr_t, a shared,
// reference-counted BSTR; _variant_t, an owning VARIANT. Failures raise
// _com_error through _com_issue_error.
//
// Differences forced by the platform: text is OLECHAR (UTF-16) where Windows
// has wchar_t, and since LONG is int here, _variant_t(int) makes a VT_I4
// (Windows: VT_INT) and unsigned int a VT_UI4.

#include <cstdint>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/Dispatch.h"
#include "Platform/Posix/Ole/Automation/ErrorInfo.h"
#include "Platform/Posix/Ole/Automation/Variant.h"

class _bstr_t;
class _variant_t;

class OLE_API _com_error {
public:
    _com_error(HRESULT hr, IErrorInfo* perrinfo = nullptr, bool fAddRef = false) noexcept;
    _com_error(const _com_error& that) noexcept;
    _com_error& operator=(const _com_error& that) noexcept;
    virtual ~_com_error() noexcept;

    HRESULT Error() const noexcept { return m_hresult; }
    WORD WCode() const noexcept { return HRESULTToWCode(m_hresult); }
    // With a reference for the caller, or null.
    IErrorInfo* ErrorInfo() const noexcept;

    // From the error object; empty without one.
    _bstr_t Description() const;
    _bstr_t HelpFile() const;
    _bstr_t Source() const;
    DWORD HelpContext() const noexcept;
    ::GUID GUID() const noexcept;

    // The system's text for the HRESULT without the final line break, else
    // "IDispatch error #n" for codes of the IDispatch range, else
    // "Unknown error 0x8XXXXXXX". Owned by this object.
    const OLECHAR* ErrorMessage() const noexcept;

    static HRESULT WCodeToHRESULT(WORD wCode) noexcept;
    static WORD HRESULTToWCode(HRESULT hr) noexcept;

private:
    HRESULT m_hresult;
    IErrorInfo* m_perrinfo;
    mutable OLECHAR* m_pszMsg = nullptr;
};

OLE_API void __stdcall _com_raise_error(HRESULT hr, IErrorInfo* perrinfo = nullptr);
OLE_API void __stdcall _com_issue_error(HRESULT hr);
// Raises hr with the error object of the current thread when punk says it
// supports error information for riid.
OLE_API void __stdcall _com_issue_errorex(HRESULT hr, IUnknown* punk, REFIID riid);

namespace _com_util {
// Text conversions through the ANSI code page, as _bstr_t's char forms use.
OLE_API BSTR __stdcall ConvertStringToBSTR(const char* pSrc);
OLE_API char* __stdcall ConvertBSTRToString(BSTR pSrc);
inline void CheckError(HRESULT hr)
{
    if (FAILED(hr))
        _com_issue_error(hr);
}
} // namespace _com_util

class OLE_API _bstr_t {
public:
    _bstr_t() noexcept = default;
    _bstr_t(const _bstr_t& s) noexcept;
    _bstr_t(_bstr_t&& s) noexcept;
    _bstr_t(const char* s);
    _bstr_t(const OLECHAR* s);
    _bstr_t(const _variant_t& var);
    // Takes the BSTR over when fCopy is false.
    _bstr_t(BSTR bstr, bool fCopy);
    ~_bstr_t() noexcept;

    _bstr_t& operator=(const _bstr_t& s) noexcept;
    _bstr_t& operator=(_bstr_t&& s) noexcept;
    _bstr_t& operator=(const char* s);
    _bstr_t& operator=(const OLECHAR* s);
    _bstr_t& operator=(const _variant_t& var);

    _bstr_t& operator+=(const _bstr_t& s);
    _bstr_t operator+(const _bstr_t& s) const;
    friend OLE_API _bstr_t operator+(const char* s1, const _bstr_t& s2);
    friend OLE_API _bstr_t operator+(const OLECHAR* s1, const _bstr_t& s2);

    operator const OLECHAR*() const noexcept;
    operator OLECHAR*() const noexcept;
    // The ANSI form, made on first use and kept with the shared data.
    operator const char*() const;
    operator char*() const;

    bool operator!() const noexcept;
    // Null and empty compare equal; otherwise by UTF-16 code units.
    bool operator==(const _bstr_t& s) const noexcept { return compare(s) == 0; }
    bool operator!=(const _bstr_t& s) const noexcept { return compare(s) != 0; }
    bool operator<(const _bstr_t& s) const noexcept { return compare(s) < 0; }
    bool operator>(const _bstr_t& s) const noexcept { return compare(s) > 0; }
    bool operator<=(const _bstr_t& s) const noexcept { return compare(s) <= 0; }
    bool operator>=(const _bstr_t& s) const noexcept { return compare(s) >= 0; }

    // A new BSTR for the caller, or (fCopy false) the shared one itself.
    BSTR copy(bool fCopy = true) const;
    unsigned int length() const noexcept;
    void Assign(BSTR s);
    BSTR& GetBSTR();
    // Frees the text and gives the address of the empty slot, to be filled
    // by a function that returns a BSTR.
    BSTR* GetAddress();
    void Attach(BSTR s);
    // The caller takes the BSTR; raises E_POINTER when it is shared.
    BSTR Detach();

private:
    class Data_t;
    void release() noexcept;
    int compare(const _bstr_t& s) const noexcept;

    Data_t* m_Data = nullptr;
};

class OLE_API _variant_t : public ::tagVARIANT {
public:
    // Inline, as VariantInit is: a result made empty for every call.
    _variant_t() noexcept { vt = VT_EMPTY; }
    _variant_t(const VARIANT& varSrc);
    _variant_t(const VARIANT* pSrc);
    _variant_t(const _variant_t& varSrc);
    _variant_t(_variant_t&& varSrc) noexcept;
    // fCopy false takes the value over and leaves varSrc VT_EMPTY.
    _variant_t(VARIANT& varSrc, bool fCopy);
    _variant_t(short sSrc, VARTYPE vtSrc = VT_I2);
    _variant_t(LONG lSrc, VARTYPE vtSrc = VT_I4);
    _variant_t(float fltSrc) noexcept;
    _variant_t(double dblSrc, VARTYPE vtSrc = VT_R8);
    _variant_t(const CY& cySrc) noexcept;
    _variant_t(const _bstr_t& bstrSrc);
    _variant_t(const OLECHAR* pSrc);
    _variant_t(const char* pSrc);
    _variant_t(IDispatch* pSrc, bool fAddRef = true) noexcept;
    _variant_t(bool boolSrc) noexcept;
    _variant_t(IUnknown* pSrc, bool fAddRef = true) noexcept;
    _variant_t(const DECIMAL& decSrc) noexcept;
    _variant_t(BYTE bSrc) noexcept;
    _variant_t(char cSrc) noexcept;
    _variant_t(unsigned short usSrc) noexcept;
    _variant_t(ULONG ulSrc) noexcept;
    _variant_t(long i8Src) noexcept;
    _variant_t(long long i8Src) noexcept;
    _variant_t(unsigned long ui8Src) noexcept;
    _variant_t(unsigned long long ui8Src) noexcept;
    // Numbers, dates and nothing hold no resource: their end needs no call.
    ~_variant_t() noexcept {
        if (vt > VT_DATE)
            VariantClear(this);
    }

    // Extractors convert with VariantChangeType and raise on failure.
    operator short() const;
    operator LONG() const;
    operator float() const;
    operator double() const;
    operator CY() const;
    operator _bstr_t() const;
    operator IDispatch*() const; // with a reference for the caller
    operator bool() const;
    operator IUnknown*() const; // with a reference for the caller
    operator DECIMAL() const;
    operator BYTE() const;
    operator char() const;
    operator unsigned short() const;
    operator ULONG() const;
    operator long long() const;
    operator unsigned long long() const;

    _variant_t& operator=(const VARIANT& varSrc);
    _variant_t& operator=(const VARIANT* pSrc);
    _variant_t& operator=(const _variant_t& varSrc);
    _variant_t& operator=(_variant_t&& varSrc) noexcept;
    _variant_t& operator=(short sSrc);
    _variant_t& operator=(LONG lSrc);
    _variant_t& operator=(float fltSrc);
    _variant_t& operator=(double dblSrc);
    _variant_t& operator=(const CY& cySrc);
    _variant_t& operator=(const _bstr_t& bstrSrc);
    _variant_t& operator=(const OLECHAR* pSrc);
    _variant_t& operator=(const char* pSrc);
    _variant_t& operator=(IDispatch* pSrc);
    _variant_t& operator=(bool boolSrc);
    _variant_t& operator=(IUnknown* pSrc);
    _variant_t& operator=(const DECIMAL& decSrc);
    _variant_t& operator=(BYTE bSrc);
    _variant_t& operator=(char cSrc);
    _variant_t& operator=(unsigned short usSrc);
    _variant_t& operator=(ULONG ulSrc);
    _variant_t& operator=(long i8Src);
    _variant_t& operator=(long long i8Src);
    _variant_t& operator=(unsigned long ui8Src);
    _variant_t& operator=(unsigned long long ui8Src);

    // Same type and value; strings by content, objects by pointer.
    bool operator==(const VARIANT& varSrc) const noexcept;
    bool operator==(const VARIANT* pSrc) const noexcept;
    bool operator!=(const VARIANT& varSrc) const noexcept { return !(*this == varSrc); }
    bool operator!=(const VARIANT* pSrc) const noexcept { return !(*this == pSrc); }

    void Clear();
    // Takes varSrc over; it is left VT_EMPTY.
    void Attach(VARIANT& varSrc);
    // The caller takes the value; this is left VT_EMPTY.
    VARIANT Detach();
    VARIANT& GetVARIANT() noexcept { return *this; }
    // Clears the value and gives its address, to be filled as an out
    // parameter.
    VARIANT* GetAddress();
    // Converts in place, or from pSrc into this.
    void ChangeType(VARTYPE vartype, const _variant_t* pSrc = nullptr);
    void SetString(const char* pSrc);

private:
    // This value as vt, converted when it is of another type.
    _variant_t as(VARTYPE vt) const;
};
