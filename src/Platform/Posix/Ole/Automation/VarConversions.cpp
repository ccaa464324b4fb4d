// The VarXxxFromYyy functions, each one line of the table in
// VarConversionTable.h: the value goes into a VARIANT and through the
// conversion that VariantChangeType uses, as a typed function asks for it;
// between scalar types inline, each function keeping what its two types take.

#include "Platform/Posix/Ole/Automation/VarConversions.h"

#include "Platform/Posix/Ole/Automation/Conversion.h"
#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Automation/ScalarConversion.h"
#include "Platform/Posix/Ole/Automation/UserLocale.h"

namespace {

namespace convert = qor::platform::posix::ole::convert;
namespace family = qor::platform::posix::ole::family;

// The dwFlags of the functions as a request of the conversion.
convert::Request requestOf(LCID lcid, ULONG flags)
{
    convert::Request request;
    request.lcid = lcid;
    request.caller = convert::Caller::typedFunction;
    request.booleanText = (flags & VAR_LOCALBOOL) != 0 ? convert::BooleanText::local : convert::BooleanText::english;
    request.localBooleanWords = (flags & VAR_LOCALBOOL) != 0;
    request.userSettings = (flags & LOCALE_NOUSEROVERRIDE) == 0;
    if ((flags & VAR_TIMEVALUEONLY) != 0)
        request.dateParts = convert::DateParts::TimeOnly;
    else if ((flags & VAR_DATEVALUEONLY) != 0)
        request.dateParts = convert::DateParts::DateOnly;
    return request;
}

template <VARTYPE vt>
family::Out<vt>& valueOf(VARIANT& v)
{
    if constexpr (vt == VT_UI1)
        return v.bVal;
    else if constexpr (vt == VT_I1)
        return v.cVal;
    else if constexpr (vt == VT_I2)
        return v.iVal;
    else if constexpr (vt == VT_UI2)
        return v.uiVal;
    else if constexpr (vt == VT_I4)
        return v.lVal;
    else if constexpr (vt == VT_UI4)
        return v.ulVal;
    else if constexpr (vt == VT_I8)
        return v.llVal;
    else if constexpr (vt == VT_UI8)
        return v.ullVal;
    else if constexpr (vt == VT_R4)
        return v.fltVal;
    else if constexpr (vt == VT_R8)
        return v.dblVal;
    else if constexpr (vt == VT_DATE)
        return v.date;
    else if constexpr (vt == VT_CY)
        return v.cyVal;
    else if constexpr (vt == VT_BOOL)
        return v.boolVal;
    else if constexpr (vt == VT_BSTR)
        return v.bstrVal;
    else
        return v.decVal;
}

// The result goes to `out` only when the conversion succeeds; a BSTR is the
// caller's.
template <VARTYPE To>
HRESULT deliver(HRESULT hr, VARIANT& result, family::Out<To>* out)
{
    if (FAILED(hr))
        return hr;
    if constexpr (To == VT_DECIMAL)
        convert::storeDecimal(*out, result.decVal);
    else
        *out = valueOf<To>(result);
    return hr;
}

template <VARTYPE From, VARTYPE To>
HRESULT fromValue(family::In<From> in, LCID lcid, ULONG flags, family::Out<To>* out)
{
    VARIANT source;
    if constexpr (From == VT_DECIMAL) {
        if (in == nullptr)
            return E_INVALIDARG;
        source.decVal = *in;
    } else {
        valueOf<From>(source) = in;
    }
    source.vt = From;
    if (out == nullptr)
        return E_INVALIDARG;
    // Empty and zero: the compiler then sees every byte that deliver reads
    // written, and drops the zeros where the conversion writes them anyway.
    VARIANT result{};
    return deliver<To>(convert::scalar::changeScalar(result, source, requestOf(lcid, flags), To), result, out);
}

template <VARTYPE To>
HRESULT fromText(LPCOLESTR text, LCID lcid, ULONG flags, family::Out<To>* out)
{
    if (out == nullptr)
        return E_INVALIDARG;
    if (text == nullptr)
        return DISP_E_TYPEMISMATCH;
    VARIANT result;
    result.vt = VT_EMPTY;
    return deliver<To>(convert::changeText(result, text, requestOf(lcid, flags), To), result, out);
}

// An object gives its default value, DISPID_VALUE, to convert.
template <VARTYPE To>
HRESULT fromObject(IDispatch* object, LCID lcid, ULONG flags, family::Out<To>* out)
{
    if (out == nullptr)
        return E_INVALIDARG;
    VARIANT source;
    source.vt = VT_DISPATCH;
    source.pdispVal = object;
    VARIANT result;
    result.vt = VT_EMPTY;
    return deliver<To>(convert::changeType(result, source, requestOf(lcid, flags), To), result, out);
}

} // namespace

#define QOR_DEFINE_FROM_VALUE(To, Source)                                                                              \
    HRESULT Var##To##From##Source(QOR_VAR_IN(Source) in, QOR_VAR_OUT(To)* out)                                         \
    {                                                                                                                  \
        return fromValue<family::Source, family::To>(in, LOCALE_USER_DEFAULT, 0, out);                                 \
    }
#define QOR_DEFINE_FROM_TEXT(To)                                                                                       \
    HRESULT Var##To##FromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, QOR_VAR_OUT(To)* out)                          \
    {                                                                                                                  \
        return fromText<family::To>(strIn, lcid, dwFlags, out);                                                        \
    }
#define QOR_DEFINE_FROM_OBJECT(To)                                                                                     \
    HRESULT Var##To##FromDisp(IDispatch* pdispIn, LCID lcid, QOR_VAR_OUT(To)* out)                                     \
    {                                                                                                                  \
        return fromObject<family::To>(pdispIn, lcid, 0, out);                                                          \
    }
#define QOR_DEFINE_TO_TEXT(Source)                                                                                     \
    HRESULT VarBstrFrom##Source(QOR_VAR_IN(Source) in, LCID lcid, ULONG dwFlags, BSTR* pbstrOut)                       \
    {                                                                                                                  \
        return fromValue<family::Source, VT_BSTR>(in, lcid, dwFlags, pbstrOut);                                        \
    }
#define QOR_DEFINE_OBJECT_TO_TEXT()                                                                                    \
    HRESULT VarBstrFromDisp(IDispatch* pdispIn, LCID lcid, ULONG dwFlags, BSTR* pbstrOut)                              \
    {                                                                                                                  \
        return fromObject<VT_BSTR>(pdispIn, lcid, dwFlags, pbstrOut);                                                  \
    }

QOR_VAR_CONVERSIONS(QOR_DEFINE_FROM_VALUE, QOR_DEFINE_FROM_TEXT, QOR_DEFINE_FROM_OBJECT, QOR_DEFINE_TO_TEXT,
                    QOR_DEFINE_OBJECT_TO_TEXT)
