#include "Platform/Posix/Ole/Automation/ComSupport.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Automation/BstrCopy.h"
#include "Platform/Posix/Ole/Automation/VarType.h"
#include "Platform/Posix/Ole/Core/ErrorMessages.h"
#include "Platform/Posix/Ole/Core/TextConversion.h"

// _com_error ---------------------------------------------------------------

namespace {

namespace vartype = qor::platform::posix::ole::vartype;

// Codes of the IDispatch range, which Visual Basic style servers raise.
constexpr HRESULT kWCodeFirst = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT kWCodeLast = static_cast<HRESULT>(0x8004FFFFu);

OLECHAR* copyToLocal(std::u16string_view text)
{
    auto* buffer = static_cast<OLECHAR*>(LocalAlloc(LMEM_FIXED, (text.size() + 1) * sizeof(OLECHAR)));
    if (buffer != nullptr) {
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = 0;
    }
    return buffer;
}

std::u16string widen(std::string_view ascii)
{
    return {ascii.begin(), ascii.end()};
}

std::string hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

} // namespace

_com_error::_com_error(HRESULT hr, IErrorInfo* perrinfo, bool fAddRef) noexcept : m_hresult(hr), m_perrinfo(perrinfo)
{
    if (m_perrinfo != nullptr && fAddRef)
        m_perrinfo->AddRef();
}

_com_error::_com_error(const _com_error& that) noexcept : m_hresult(that.m_hresult), m_perrinfo(that.m_perrinfo)
{
    if (m_perrinfo != nullptr)
        m_perrinfo->AddRef();
}

_com_error& _com_error::operator=(const _com_error& that) noexcept
{
    if (this != &that) {
        if (that.m_perrinfo != nullptr)
            that.m_perrinfo->AddRef();
        if (m_perrinfo != nullptr)
            m_perrinfo->Release();
        LocalFree(m_pszMsg);
        m_pszMsg = nullptr;
        m_hresult = that.m_hresult;
        m_perrinfo = that.m_perrinfo;
    }
    return *this;
}

_com_error::~_com_error() noexcept
{
    if (m_perrinfo != nullptr)
        m_perrinfo->Release();
    LocalFree(m_pszMsg);
}

IErrorInfo* _com_error::ErrorInfo() const noexcept
{
    if (m_perrinfo != nullptr)
        m_perrinfo->AddRef();
    return m_perrinfo;
}

_bstr_t _com_error::Description() const
{
    BSTR text = nullptr;
    if (m_perrinfo != nullptr && FAILED(m_perrinfo->GetDescription(&text)))
        text = nullptr;
    return _bstr_t(text, false);
}

_bstr_t _com_error::HelpFile() const
{
    BSTR text = nullptr;
    if (m_perrinfo != nullptr && FAILED(m_perrinfo->GetHelpFile(&text)))
        text = nullptr;
    return _bstr_t(text, false);
}

_bstr_t _com_error::Source() const
{
    BSTR text = nullptr;
    if (m_perrinfo != nullptr && FAILED(m_perrinfo->GetSource(&text)))
        text = nullptr;
    return _bstr_t(text, false);
}

DWORD _com_error::HelpContext() const noexcept
{
    DWORD context = 0;
    if (m_perrinfo != nullptr && FAILED(m_perrinfo->GetHelpContext(&context)))
        context = 0;
    return context;
}

::GUID _com_error::GUID() const noexcept
{
    ::GUID guid = GUID_NULL;
    if (m_perrinfo != nullptr && FAILED(m_perrinfo->GetGUID(&guid)))
        guid = GUID_NULL;
    return guid;
}

const OLECHAR* _com_error::ErrorMessage() const noexcept
{
    if (m_pszMsg != nullptr)
        return m_pszMsg;
    LPWSTR text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(m_hresult), 0, reinterpret_cast<LPWSTR>(&text), 0,
                                  nullptr);
    if (length > 0) {
        while (length > 0 && (text[length - 1] == u'\n' || text[length - 1] == u'\r'))
            text[--length] = 0;
        m_pszMsg = text;
    } else if (WORD code = WCode(); code != 0) {
        m_pszMsg = copyToLocal(widen("IDispatch error #" + std::to_string(code)));
    } else {
        m_pszMsg = copyToLocal(widen("Unknown error 0x" + hex(static_cast<DWORD>(m_hresult))));
    }
    return m_pszMsg;
}

HRESULT _com_error::WCodeToHRESULT(WORD wCode) noexcept
{
    return wCode >= 0xFE00 ? kWCodeLast : kWCodeFirst + wCode;
}

WORD _com_error::HRESULTToWCode(HRESULT hr) noexcept
{
    return hr >= kWCodeFirst && hr <= kWCodeLast ? static_cast<WORD>(hr - kWCodeFirst) : 0;
}

void _com_raise_error(HRESULT hr, IErrorInfo* perrinfo)
{
    throw _com_error(hr, perrinfo);
}

void _com_issue_error(HRESULT hr)
{
    _com_raise_error(hr, nullptr);
}

void _com_issue_errorex(HRESULT hr, IUnknown* punk, REFIID riid)
{
    IErrorInfo* info = nullptr;
    ISupportErrorInfo* support = nullptr;
    if (punk != nullptr &&
        SUCCEEDED(punk->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)))) {
        HRESULT supported = support->InterfaceSupportsErrorInfo(riid);
        support->Release();
        if (supported == S_OK && GetErrorInfo(0, &info) != S_OK)
            info = nullptr;
    }
    _com_raise_error(hr, info);
}

BSTR _com_util::ConvertStringToBSTR(const char* pSrc)
{
    if (pSrc == nullptr)
        return nullptr;
    int length = MultiByteToWideChar(CP_ACP, 0, pSrc, -1, nullptr, 0);
    BSTR text = length > 0 ? SysAllocStringLen(nullptr, static_cast<UINT>(length - 1)) : nullptr;
    if (text == nullptr)
        _com_issue_error(E_OUTOFMEMORY);
    MultiByteToWideChar(CP_ACP, 0, pSrc, -1, text, length);
    return text;
}

char* _com_util::ConvertBSTRToString(BSTR pSrc)
{
    if (pSrc == nullptr)
        return nullptr;
    // The whole BSTR, embedded U+0000 included, and a terminator.
    int units = static_cast<int>(SysStringLen(pSrc)) + 1;
    int length = WideCharToMultiByte(CP_ACP, 0, pSrc, units, nullptr, 0, nullptr, nullptr);
    auto* text = length > 0 ? new (std::nothrow) char[static_cast<std::size_t>(length)] : nullptr;
    if (text == nullptr)
        _com_issue_error(E_OUTOFMEMORY);
    WideCharToMultiByte(CP_ACP, 0, pSrc, units, text, length, nullptr, nullptr);
    return text;
}

// _bstr_t ------------------------------------------------------------------

// The text shared by copies of one _bstr_t, with its ANSI form once asked for.
class _bstr_t::Data_t {
public:
    explicit Data_t(BSTR text) noexcept : wide(text) {}
    Data_t(const Data_t&) = delete;
    Data_t& operator=(const Data_t&) = delete;
    ~Data_t()
    {
        SysFreeString(wide);
        delete[] narrow;
    }

    BSTR wide;
    char* narrow = nullptr;
    std::atomic<unsigned long> refCount{1};
};

namespace {

BSTR copyBstr(BSTR text)
{
    auto copy = qor::platform::posix::ole::duplicateBstr(text);
    if (!copy)
        _com_issue_error(copy.error());
    return *copy;
}

BSTR allocate(const OLECHAR* text)
{
    if (text == nullptr)
        return nullptr;
    BSTR copy = SysAllocString(text);
    if (copy == nullptr)
        _com_issue_error(E_OUTOFMEMORY);
    return copy;
}

} // namespace

_bstr_t::_bstr_t(const _bstr_t& s) noexcept : m_Data(s.m_Data)
{
    if (m_Data != nullptr)
        ++m_Data->refCount;
}

_bstr_t::_bstr_t(_bstr_t&& s) noexcept : m_Data(s.m_Data)
{
    s.m_Data = nullptr;
}

_bstr_t::_bstr_t(const char* s) : m_Data(new Data_t(_com_util::ConvertStringToBSTR(s))) {}

_bstr_t::_bstr_t(const OLECHAR* s) : m_Data(new Data_t(allocate(s))) {}

_bstr_t::_bstr_t(const _variant_t& var)
{
    *this = var;
}

_bstr_t::_bstr_t(BSTR bstr, bool fCopy) : m_Data(new Data_t(fCopy ? copyBstr(bstr) : bstr)) {}

_bstr_t::~_bstr_t() noexcept
{
    release();
}

void _bstr_t::release() noexcept
{
    if (m_Data != nullptr && --m_Data->refCount == 0)
        delete m_Data;
    m_Data = nullptr;
}

_bstr_t& _bstr_t::operator=(const _bstr_t& s) noexcept
{
    if (m_Data != s.m_Data) {
        _bstr_t copy(s);
        std::swap(m_Data, copy.m_Data);
    }
    return *this;
}

_bstr_t& _bstr_t::operator=(_bstr_t&& s) noexcept
{
    if (this != &s) {
        release();
        m_Data = s.m_Data;
        s.m_Data = nullptr;
    }
    return *this;
}

_bstr_t& _bstr_t::operator=(const char* s)
{
    return *this = _bstr_t(s);
}

_bstr_t& _bstr_t::operator=(const OLECHAR* s)
{
    return *this = _bstr_t(s);
}

_bstr_t& _bstr_t::operator=(const _variant_t& var)
{
    if (var.vt == VT_BSTR)
        return *this = _bstr_t(var.bstrVal, true);
    _variant_t text;
    text.ChangeType(VT_BSTR, &var);
    return *this = _bstr_t(text.Detach().bstrVal, false);
}

_bstr_t& _bstr_t::operator+=(const _bstr_t& s)
{
    return *this = *this + s;
}

_bstr_t _bstr_t::operator+(const _bstr_t& s) const
{
    UINT left = length();
    UINT right = s.length();
    BSTR joined = SysAllocStringLen(nullptr, left + right);
    if (joined == nullptr)
        _com_issue_error(E_OUTOFMEMORY);
    if (left > 0)
        std::memcpy(joined, m_Data->wide, left * sizeof(OLECHAR));
    if (right > 0)
        std::memcpy(joined + left, s.m_Data->wide, right * sizeof(OLECHAR));
    return _bstr_t(joined, false);
}

_bstr_t operator+(const char* s1, const _bstr_t& s2)
{
    return _bstr_t(s1) + s2;
}

_bstr_t operator+(const OLECHAR* s1, const _bstr_t& s2)
{
    return _bstr_t(s1) + s2;
}

_bstr_t::operator const OLECHAR*() const noexcept
{
    return m_Data != nullptr ? m_Data->wide : nullptr;
}

_bstr_t::operator OLECHAR*() const noexcept
{
    return m_Data != nullptr ? m_Data->wide : nullptr;
}

_bstr_t::operator const char*() const
{
    if (m_Data == nullptr)
        return nullptr;
    if (m_Data->narrow == nullptr)
        m_Data->narrow = _com_util::ConvertBSTRToString(m_Data->wide);
    return m_Data->narrow;
}

_bstr_t::operator char*() const
{
    return const_cast<char*>(static_cast<const char*>(*this));
}

bool _bstr_t::operator!() const noexcept
{
    return m_Data == nullptr || m_Data->wide == nullptr;
}

int _bstr_t::compare(const _bstr_t& s) const noexcept
{
    std::u16string_view left(m_Data != nullptr && m_Data->wide != nullptr ? m_Data->wide : u"", length());
    std::u16string_view right(s.m_Data != nullptr && s.m_Data->wide != nullptr ? s.m_Data->wide : u"", s.length());
    return left.compare(right);
}

BSTR _bstr_t::copy(bool fCopy) const
{
    BSTR text = m_Data != nullptr ? m_Data->wide : nullptr;
    return fCopy ? copyBstr(text) : text;
}

unsigned int _bstr_t::length() const noexcept
{
    return m_Data != nullptr ? SysStringLen(m_Data->wide) : 0;
}

void _bstr_t::Assign(BSTR s)
{
    *this = _bstr_t(s, true);
}

BSTR& _bstr_t::GetBSTR()
{
    if (m_Data == nullptr)
        m_Data = new Data_t(nullptr);
    return m_Data->wide;
}

BSTR* _bstr_t::GetAddress()
{
    Attach(nullptr);
    return &m_Data->wide;
}

void _bstr_t::Attach(BSTR s)
{
    release();
    m_Data = new Data_t(s);
}

BSTR _bstr_t::Detach()
{
    if (m_Data == nullptr)
        return nullptr;
    if (m_Data->refCount != 1)
        _com_issue_error(E_POINTER);
    BSTR text = m_Data->wide;
    m_Data->wide = nullptr;
    release();
    return text;
}

// _variant_t ---------------------------------------------------------------

namespace {

void copyInto(VARIANT& target, const VARIANT& source)
{
    VariantInit(&target);
    _com_util::CheckError(VariantCopy(&target, &source));
}

} // namespace

_variant_t::_variant_t(const VARIANT& varSrc)
{
    copyInto(*this, varSrc);
}

_variant_t::_variant_t(const VARIANT* pSrc)
{
    if (pSrc == nullptr)
        _com_issue_error(E_POINTER);
    copyInto(*this, *pSrc);
}

_variant_t::_variant_t(const _variant_t& varSrc) : tagVARIANT()
{
    copyInto(*this, varSrc);
}

_variant_t::_variant_t(_variant_t&& varSrc) noexcept : tagVARIANT(varSrc)
{
    varSrc.vt = VT_EMPTY;
}

_variant_t::_variant_t(VARIANT& varSrc, bool fCopy)
{
    if (fCopy) {
        copyInto(*this, varSrc);
    } else {
        static_cast<VARIANT&>(*this) = varSrc;
        varSrc.vt = VT_EMPTY;
    }
}

_variant_t::_variant_t(short sSrc, VARTYPE vtSrc)
{
    if (vtSrc != VT_I2 && vtSrc != VT_BOOL)
        _com_issue_error(E_INVALIDARG);
    VariantInit(this);
    vt = vtSrc;
    if (vtSrc == VT_BOOL)
        boolVal = sSrc != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    else
        iVal = sSrc;
}

_variant_t::_variant_t(LONG lSrc, VARTYPE vtSrc)
{
    if (vtSrc != VT_I4 && vtSrc != VT_ERROR && vtSrc != VT_BOOL)
        _com_issue_error(E_INVALIDARG);
    VariantInit(this);
    vt = vtSrc;
    if (vtSrc == VT_BOOL)
        boolVal = lSrc != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    else if (vtSrc == VT_ERROR)
        scode = lSrc;
    else
        lVal = lSrc;
}

_variant_t::_variant_t(float fltSrc) noexcept
{
    VariantInit(this);
    vt = VT_R4;
    fltVal = fltSrc;
}

_variant_t::_variant_t(double dblSrc, VARTYPE vtSrc)
{
    if (vtSrc != VT_R8 && vtSrc != VT_DATE)
        _com_issue_error(E_INVALIDARG);
    VariantInit(this);
    vt = vtSrc;
    if (vtSrc == VT_DATE)
        date = dblSrc;
    else
        dblVal = dblSrc;
}

_variant_t::_variant_t(const CY& cySrc) noexcept
{
    VariantInit(this);
    vt = VT_CY;
    cyVal = cySrc;
}

_variant_t::_variant_t(const _bstr_t& bstrSrc)
{
    VariantInit(this);
    bstrVal = bstrSrc.copy();
    vt = VT_BSTR;
}

_variant_t::_variant_t(const OLECHAR* pSrc)
{
    VariantInit(this);
    bstrVal = allocate(pSrc);
    vt = VT_BSTR;
}

_variant_t::_variant_t(const char* pSrc)
{
    VariantInit(this);
    bstrVal = _com_util::ConvertStringToBSTR(pSrc);
    vt = VT_BSTR;
}

_variant_t::_variant_t(IDispatch* pSrc, bool fAddRef) noexcept
{
    VariantInit(this);
    vt = VT_DISPATCH;
    pdispVal = pSrc;
    if (fAddRef && pSrc != nullptr)
        pSrc->AddRef();
}

_variant_t::_variant_t(bool boolSrc) noexcept
{
    VariantInit(this);
    vt = VT_BOOL;
    boolVal = boolSrc ? VARIANT_TRUE : VARIANT_FALSE;
}

_variant_t::_variant_t(IUnknown* pSrc, bool fAddRef) noexcept
{
    VariantInit(this);
    vt = VT_UNKNOWN;
    punkVal = pSrc;
    if (fAddRef && pSrc != nullptr)
        pSrc->AddRef();
}

_variant_t::_variant_t(const DECIMAL& decSrc) noexcept
{
    // The DECIMAL covers the whole VARIANT, vt included.
    decVal = decSrc;
    vt = VT_DECIMAL;
}

_variant_t::_variant_t(BYTE bSrc) noexcept
{
    VariantInit(this);
    vt = VT_UI1;
    bVal = bSrc;
}

_variant_t::_variant_t(char cSrc) noexcept
{
    VariantInit(this);
    vt = VT_I1;
    cVal = cSrc;
}

_variant_t::_variant_t(unsigned short usSrc) noexcept
{
    VariantInit(this);
    vt = VT_UI2;
    uiVal = usSrc;
}

_variant_t::_variant_t(ULONG ulSrc) noexcept
{
    VariantInit(this);
    vt = VT_UI4;
    ulVal = ulSrc;
}

_variant_t::_variant_t(long i8Src) noexcept : _variant_t(static_cast<long long>(i8Src)) {}

_variant_t::_variant_t(long long i8Src) noexcept
{
    VariantInit(this);
    vt = VT_I8;
    llVal = i8Src;
}

_variant_t::_variant_t(unsigned long ui8Src) noexcept : _variant_t(static_cast<unsigned long long>(ui8Src)) {}

_variant_t::_variant_t(unsigned long long ui8Src) noexcept
{
    VariantInit(this);
    vt = VT_UI8;
    ullVal = ui8Src;
}

_variant_t _variant_t::as(VARTYPE type) const
{
    _variant_t result;
    result.ChangeType(type, this);
    return result;
}

_variant_t::operator short() const
{
    return vt == VT_I2 ? iVal : as(VT_I2).iVal;
}

_variant_t::operator LONG() const
{
    return vt == VT_I4 ? lVal : as(VT_I4).lVal;
}

_variant_t::operator float() const
{
    return vt == VT_R4 ? fltVal : as(VT_R4).fltVal;
}

_variant_t::operator double() const
{
    return vt == VT_R8 ? dblVal : as(VT_R8).dblVal;
}

_variant_t::operator CY() const
{
    return vt == VT_CY ? cyVal : as(VT_CY).cyVal;
}

_variant_t::operator _bstr_t() const
{
    return _bstr_t(*this);
}

_variant_t::operator IDispatch*() const
{
    _variant_t object = vt == VT_DISPATCH ? *this : as(VT_DISPATCH);
    return object.Detach().pdispVal;
}

_variant_t::operator bool() const
{
    return (vt == VT_BOOL ? boolVal : as(VT_BOOL).boolVal) != VARIANT_FALSE;
}

_variant_t::operator IUnknown*() const
{
    _variant_t object = vt == VT_UNKNOWN ? *this : as(VT_UNKNOWN);
    return object.Detach().punkVal;
}

_variant_t::operator DECIMAL() const
{
    return vt == VT_DECIMAL ? decVal : as(VT_DECIMAL).decVal;
}

_variant_t::operator BYTE() const
{
    return vt == VT_UI1 ? bVal : as(VT_UI1).bVal;
}

_variant_t::operator char() const
{
    return vt == VT_I1 ? cVal : as(VT_I1).cVal;
}

_variant_t::operator unsigned short() const
{
    return vt == VT_UI2 ? uiVal : as(VT_UI2).uiVal;
}

_variant_t::operator ULONG() const
{
    return vt == VT_UI4 ? ulVal : as(VT_UI4).ulVal;
}

_variant_t::operator long long() const
{
    return vt == VT_I8 ? llVal : as(VT_I8).llVal;
}

_variant_t::operator unsigned long long() const
{
    return vt == VT_UI8 ? ullVal : as(VT_UI8).ullVal;
}

_variant_t& _variant_t::operator=(const VARIANT& varSrc)
{
    _com_util::CheckError(VariantCopy(this, &varSrc));
    return *this;
}

_variant_t& _variant_t::operator=(const VARIANT* pSrc)
{
    if (pSrc == nullptr)
        _com_issue_error(E_POINTER);
    return *this = *pSrc;
}

_variant_t& _variant_t::operator=(const _variant_t& varSrc)
{
    return *this = static_cast<const VARIANT&>(varSrc);
}

_variant_t& _variant_t::operator=(_variant_t&& varSrc) noexcept
{
    if (this != &varSrc) {
        VariantClear(this);
        static_cast<VARIANT&>(*this) = varSrc;
        varSrc.vt = VT_EMPTY;
    }
    return *this;
}

// Every typed assignment builds the new value first, so a failure leaves the
// old one in place.
#define OLE_VARIANT_ASSIGN(type)                         \
    _variant_t& _variant_t::operator=(type source)      \
    {                                                    \
        return *this = _variant_t(source);              \
    }

OLE_VARIANT_ASSIGN(short)
OLE_VARIANT_ASSIGN(LONG)
OLE_VARIANT_ASSIGN(float)
OLE_VARIANT_ASSIGN(double)
OLE_VARIANT_ASSIGN(const CY&)
OLE_VARIANT_ASSIGN(const _bstr_t&)
OLE_VARIANT_ASSIGN(const OLECHAR*)
OLE_VARIANT_ASSIGN(const char*)
OLE_VARIANT_ASSIGN(IDispatch*)
OLE_VARIANT_ASSIGN(bool)
OLE_VARIANT_ASSIGN(IUnknown*)
OLE_VARIANT_ASSIGN(const DECIMAL&)
OLE_VARIANT_ASSIGN(BYTE)
OLE_VARIANT_ASSIGN(char)
OLE_VARIANT_ASSIGN(unsigned short)
OLE_VARIANT_ASSIGN(ULONG)
OLE_VARIANT_ASSIGN(long)
OLE_VARIANT_ASSIGN(long long)
OLE_VARIANT_ASSIGN(unsigned long)
OLE_VARIANT_ASSIGN(unsigned long long)

#undef OLE_VARIANT_ASSIGN

bool _variant_t::operator==(const VARIANT& varSrc) const noexcept
{
    if (this == &varSrc)
        return true;
    if (vt != varSrc.vt)
        return false;
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        return true;
    case VT_BSTR:
        return SysStringByteLen(bstrVal) == SysStringByteLen(varSrc.bstrVal) &&
               (SysStringByteLen(bstrVal) == 0 ||
                std::memcmp(bstrVal, varSrc.bstrVal, SysStringByteLen(bstrVal)) == 0);
    case VT_DECIMAL:
        return decVal.Hi32 == varSrc.decVal.Hi32 && decVal.Lo64 == varSrc.decVal.Lo64 &&
               decVal.signscale == varSrc.decVal.signscale;
    case VT_R4:
        return fltVal == varSrc.fltVal;
    case VT_R8:
    case VT_DATE:
        return dblVal == varSrc.dblVal;
    case VT_BOOL:
        return boolVal == varSrc.boolVal;
    default: {
        // Integers, currency, errors, pointers and references: same bits,
        // only as many as the type uses.
        std::size_t size = (vt & (VT_BYREF | VT_ARRAY)) != 0 ? sizeof(void*) : vartype::sizeOf(vt);
        return size != 0 && std::memcmp(&llVal, &varSrc.llVal, size) == 0;
    }
    }
}

bool _variant_t::operator==(const VARIANT* pSrc) const noexcept
{
    return pSrc != nullptr && *this == *pSrc;
}

void _variant_t::Clear()
{
    _com_util::CheckError(VariantClear(this));
}

void _variant_t::Attach(VARIANT& varSrc)
{
    Clear();
    static_cast<VARIANT&>(*this) = varSrc;
    varSrc.vt = VT_EMPTY;
}

VARIANT _variant_t::Detach()
{
    VARIANT value = *this;
    vt = VT_EMPTY;
    return value;
}

VARIANT* _variant_t::GetAddress()
{
    Clear();
    return this;
}

void _variant_t::ChangeType(VARTYPE vartype, const _variant_t* pSrc)
{
    if (pSrc == nullptr)
        pSrc = this;
    if (pSrc != this || vartype != vt)
        _com_util::CheckError(VariantChangeType(this, pSrc, 0, vartype));
}

void _variant_t::SetString(const char* pSrc)
{
    *this = _variant_t(pSrc);
}
