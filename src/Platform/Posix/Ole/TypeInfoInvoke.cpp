// ITypeInfo::Invoke: a dispatch call made through the object's vtable, with
// the arguments coerced to the types the type information declares.

#include "Platform/Posix/Ole/CTypeInfo.h"

#include "Platform/Posix/Ole/CTypeLib.h"
#include "Platform/Posix/Ole/CallStorage.h"
#include "Platform/Posix/Ole/DispCallFunc.h"

#include <algorithm>
#include <cstring>

namespace qor::platform::posix::ole {

namespace {

constexpr LCID invokeLocale = LOCALE_USER_DEFAULT;
constexpr int maxTypeDepth = 16;

// What a declared type comes down to for a call: aliases, enumerations and
// interface names resolved to an automation VARTYPE.
struct CallType {
    VARTYPE vt = VT_EMPTY;
    std::optional<GUID> iid; // the interface an object argument must be asked for
};

HRESULT callTypeOf(CTypeInfo& owner, TYPEDESC const& type, CallType& out, int depth = 0);

HRESULT userDefinedType(CTypeInfo& owner, HREFTYPE href, bool pointedTo, CallType& out, int depth) {
    CTypeInfo* target = nullptr;
    if (FAILED(owner.resolve(href, &target)))
        return DISP_E_BADVARTYPE;
    TYPEATTR* attr = nullptr;
    target->GetTypeAttr(&attr);
    switch (attr->typekind) {
    case TKIND_ENUM:
        out.vt = VT_I4;
        return pointedTo ? DISP_E_BADVARTYPE : S_OK;
    case TKIND_ALIAS:
        return pointedTo ? DISP_E_BADVARTYPE : callTypeOf(*target, attr->tdescAlias, out, depth + 1);
    case TKIND_INTERFACE:
    case TKIND_DISPATCH:
        if (!pointedTo)
            return DISP_E_BADVARTYPE;
        out.vt = (attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE) || attr->typekind == TKIND_DISPATCH ? VT_DISPATCH : VT_UNKNOWN;
        out.iid = attr->guid;
        return S_OK;
    default:
        return DISP_E_BADVARTYPE; // records and coclasses are not passed through Invoke
    }
}

HRESULT callTypeOf(CTypeInfo& owner, TYPEDESC const& type, CallType& out, int depth) {
    if (depth > maxTypeDepth)
        return DISP_E_BADVARTYPE;
    switch (type.vt) {
    case VT_PTR: {
        TYPEDESC const& inner = *type.lptdesc;
        if (inner.vt == VT_USERDEFINED) {
            CallType pointed;
            if (SUCCEEDED(userDefinedType(owner, inner.hreftype, true, pointed, depth)))
                return out = pointed, S_OK;
        }
        CallType pointee;
        if (HRESULT hr = callTypeOf(owner, inner, pointee, depth + 1); FAILED(hr))
            return hr;
        if (pointee.vt & VT_BYREF)
            return DISP_E_BADVARTYPE;
        out = pointee;
        out.vt = static_cast<VARTYPE>(VT_BYREF | pointee.vt);
        return S_OK;
    }
    case VT_SAFEARRAY: {
        CallType element;
        if (HRESULT hr = callTypeOf(owner, *type.lptdesc, element, depth + 1); FAILED(hr))
            return hr;
        out.vt = static_cast<VARTYPE>(VT_ARRAY | element.vt);
        return S_OK;
    }
    case VT_USERDEFINED:
        return userDefinedType(owner, type.hreftype, false, out, depth);
    case VT_INT:
        out.vt = VT_I4; // the same 32 bits on every ABI this runs on
        return S_OK;
    case VT_UINT:
        out.vt = VT_UI4;
        return S_OK;
    case VT_CARRAY: case VT_RECORD: case VT_LPSTR: case VT_LPWSTR:
        return DISP_E_BADVARTYPE;
    default:
        out.vt = type.vt;
        return S_OK;
    }
}

HRESULT asCoercionFailure(HRESULT hr) {
    return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
}

// The value of `source` as `vt`, owned by `dest`.
HRESULT coerce(VARIANT& dest, VARIANT const& source, VARTYPE vt) {
    VARIANT plain;
    VariantInit(&plain);
    if (HRESULT hr = VariantCopyInd(&plain, &source); FAILED(hr))
        return asCoercionFailure(hr);
    HRESULT hr = S_OK;
    if (plain.vt == vt)
        std::swap(dest, plain);
    else if (vt & VT_ARRAY)
        hr = DISP_E_TYPEMISMATCH;
    else
        hr = VariantChangeType(&dest, &plain, 0, vt);
    VariantClear(&plain);
    return FAILED(hr) ? asCoercionFailure(hr) : S_OK;
}

// An object argument, asked for the interface the parameter names.
HRESULT coerceObject(VARIANT& dest, VARIANT const& source, CallType const& type) {
    VARIANT const* plain = (source.vt & VT_BYREF) && (source.vt & ~VT_BYREF) == VT_VARIANT ? source.pvarVal : &source;
    IUnknown* object = nullptr;
    switch (plain->vt) {
    case VT_DISPATCH: case VT_UNKNOWN: object = plain->punkVal; break;
    case VT_BYREF | VT_DISPATCH: case VT_BYREF | VT_UNKNOWN: object = *plain->ppunkVal; break;
    case VT_EMPTY: case VT_NULL: break;
    default: return DISP_E_TYPEMISMATCH;
    }
    dest.vt = type.vt;
    dest.punkVal = nullptr;
    if (object == nullptr)
        return S_OK;
    void* asked = nullptr;
    if (FAILED(object->QueryInterface(*type.iid, &asked)))
        return DISP_E_TYPEMISMATCH;
    dest.punkVal = static_cast<IUnknown*>(asked);
    return S_OK;
}

// Zeroed as a whole: a [retval] or [out] slot is cleared after the call even
// when the method failed without writing it.
VARIANT emptyVariant() {
    VARIANT v;
    std::memset(&v, 0, sizeof v);
    VariantInit(&v);
    return v;
}

void* valueAddress(VARIANT& v, VARTYPE vt) {
    return vt == VT_VARIANT ? static_cast<void*>(&v) : static_cast<void*>(&v.llVal);
}

class InvokeCall {
public:
    InvokeCall(CTypeInfo& owner, FUNCDESC const& func, DISPPARAMS& params, UINT* argErr)
        : owner_(owner), func_(func), params_(params), argErr_(argErr), count_(std::size_t(func.cParams)),
          values_(count_, emptyVariant()), temps_(count_, emptyVariant()), owned_(count_, 1),
          types_(count_, VT_EMPTY), pointers_(count_, nullptr), sources_(count_, -1) {
        for (std::size_t j = 0; j < count_; ++j)
            pointers_[j] = &values_[j];
    }

    ~InvokeCall() {
        for (std::size_t j = 0; j < count_; ++j) {
            if (owned_[j])
                VariantClear(&values_[j]);
            VariantClear(&temps_[j]);
        }
        VariantClear(&retval_);
    }

    HRESULT prepare() {
        if (HRESULT hr = mapArguments(); FAILED(hr))
            return hr;
        for (std::size_t j = 0; j < count_; ++j)
            if (HRESULT hr = prepareParam(j, sources_[j]); FAILED(hr))
                return hr;
        return S_OK;
    }

    // The HRESULT of the vtable method itself, or of the call when it could
    // not be made; the result lands in `result` when given.
    HRESULT call(void* instance, VARIANT* result, HRESULT& methodResult) {
        CallType returned;
        bool const returnsHresult = func_.elemdescFunc.tdesc.vt == VT_HRESULT;
        if (!returnsHresult && func_.elemdescFunc.tdesc.vt != VT_VOID)
            if (HRESULT hr = callTypeOf(owner_, func_.elemdescFunc.tdesc, returned); FAILED(hr))
                return hr;
        VARTYPE vtReturn = returned.vt;
        if (returnsHresult)
            vtReturn = VT_HRESULT;
        VARIANT raw;
        VariantInit(&raw);
        HRESULT hr = DispCallFunc(instance, static_cast<ULONG_PTR>(func_.oVft), func_.callconv, vtReturn,
                                  static_cast<UINT>(count_), types_.data(), pointers_.data(), &raw);
        if (FAILED(hr))
            return hr;
        methodResult = returnsHresult ? raw.scode : S_OK;
        if (returnsHresult)
            raw.vt = VT_EMPTY;
        if (FAILED(methodResult)) {
            VariantClear(&raw);
            return S_OK;
        }
        VARIANT& produced = retvalIndex_ >= 0 ? retval_ : raw;
        if (result != nullptr) {
            VariantClear(result);
            *result = produced;
            VariantInit(&produced);
        }
        VariantClear(&raw);
        return S_OK;
    }

private:
    // For each parameter, the rgvarg index of its argument, or -1.
    HRESULT mapArguments() {
        CallStorage<std::size_t> declared(count_, 0);
        std::size_t declaredCount = 0;
        for (std::size_t j = 0; j < count_; ++j) {
            USHORT const flags = func_.lprgelemdescParam[j].paramdesc.wParamFlags;
            if (flags & PARAMFLAG_FRETVAL && j + 1 == count_)
                retvalIndex_ = static_cast<int>(j);
            else if ((flags & PARAMFLAG_FLCID) == 0)
                declared[declaredCount++] = j;
        }
        UINT const named = params_.cNamedArgs;
        UINT const positional = params_.cArgs - named;
        if (positional > declaredCount)
            return DISP_E_BADPARAMCOUNT;
        for (UINT k = 0; k < positional; ++k)
            sources_[declared[k]] = static_cast<int>(params_.cArgs - 1 - k);
        bool const isPut = func_.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
        for (UINT i = 0; i < named; ++i) {
            DISPID const id = params_.rgdispidNamedArgs[i];
            std::size_t slot = 0;
            if (id == DISPID_PROPERTYPUT && isPut && declaredCount > 0)
                slot = declared[declaredCount - 1];
            else if (id >= 0 && static_cast<std::size_t>(id) < declaredCount)
                slot = declared[std::size_t(id)];
            else
                return argumentError(i, DISP_E_PARAMNOTFOUND);
            if (sources_[slot] != -1)
                return argumentError(i, DISP_E_PARAMNOTFOUND);
            sources_[slot] = static_cast<int>(i);
        }
        return S_OK;
    }

    HRESULT argumentError(UINT index, HRESULT hr) {
        if (argErr_ != nullptr)
            *argErr_ = index;
        return hr;
    }

    HRESULT prepareParam(std::size_t j, int source) {
        ELEMDESC const& param = func_.lprgelemdescParam[j];
        USHORT const flags = param.paramdesc.wParamFlags;
        CallType type;
        if (HRESULT hr = callTypeOf(owner_, param.tdesc, type); FAILED(hr))
            return source >= 0 ? argumentError(UINT(source), hr) : hr;
        types_[j] = type.vt;
        if (static_cast<int>(j) == retvalIndex_)
            return prepareRetval(j, type);
        if (flags & PARAMFLAG_FLCID) {
            values_[j].vt = VT_I4;
            values_[j].lVal = static_cast<LONG>(invokeLocale);
            types_[j] = VT_I4;
            return S_OK;
        }
        if (source >= 0) {
            HRESULT hr = prepareArgument(j, params_.rgvarg[source], type);
            return FAILED(hr) ? argumentError(UINT(source), hr) : S_OK;
        }
        return prepareMissing(j, param, type);
    }

    HRESULT prepareRetval(std::size_t j, CallType const& type) {
        if ((type.vt & VT_BYREF) == 0)
            return DISP_E_BADVARTYPE;
        VARTYPE const pointee = static_cast<VARTYPE>(type.vt & ~VT_BYREF);
        // A VARIANT result is written whole by the method; any other is a
        // value of the declared type.
        retval_.vt = pointee == VT_VARIANT ? VARTYPE{VT_EMPTY} : pointee;
        values_[j].vt = type.vt;
        values_[j].byref = valueAddress(retval_, pointee);
        owned_[j] = 0;
        return S_OK;
    }

    HRESULT prepareArgument(std::size_t j, VARIANT& argument, CallType const& type) {
        if ((type.vt & VT_BYREF) == 0) {
            if (type.iid)
                return coerceObject(values_[j], argument, type);
            if (type.vt == VT_VARIANT) {
                HRESULT hr = VariantCopyInd(&values_[j], &argument);
                return FAILED(hr) ? asCoercionFailure(hr) : S_OK;
            }
            return coerce(values_[j], argument, type.vt);
        }
        VARTYPE const pointee = static_cast<VARTYPE>(type.vt & ~VT_BYREF);
        // A reference the caller gave is passed on, so the callee writes
        // straight into the caller's variable.
        if (argument.vt == type.vt) {
            values_[j] = argument;
            owned_[j] = 0;
            return S_OK;
        }
        if (pointee == VT_VARIANT) {
            values_[j].vt = type.vt;
            values_[j].pvarVal = argument.vt == (VT_BYREF | VT_VARIANT) ? argument.pvarVal : &argument;
            owned_[j] = 0;
            return S_OK;
        }
        // An object behind the reference is asked for the declared
        // interface, as an [in] one is.
        HRESULT const hr = type.iid ? coerceObject(temps_[j], argument, CallType{pointee, type.iid})
                                    : coerce(temps_[j], argument, pointee);
        if (FAILED(hr))
            return hr;
        values_[j].vt = type.vt;
        values_[j].byref = valueAddress(temps_[j], pointee);
        owned_[j] = 0;
        return S_OK;
    }

    HRESULT prepareMissing(std::size_t j, ELEMDESC const& param, CallType const& type) {
        USHORT const flags = param.paramdesc.wParamFlags;
        VARTYPE const base = static_cast<VARTYPE>(type.vt & ~VT_BYREF);
        VARIANT& target = (type.vt & VT_BYREF) ? temps_[j] : values_[j];
        if ((flags & PARAMFLAG_FHASDEFAULT) && param.paramdesc.pparamdescex != nullptr) {
            if (HRESULT hr = coerce(target, param.paramdesc.pparamdescex->varDefaultValue, base); FAILED(hr))
                return hr;
        } else if ((flags & PARAMFLAG_FOPT) && base == VT_VARIANT) {
            target.vt = VT_ERROR;
            target.scode = DISP_E_PARAMNOTFOUND;
        } else {
            return params_.cNamedArgs == 0 ? DISP_E_BADPARAMCOUNT : DISP_E_PARAMNOTOPTIONAL;
        }
        if (type.vt & VT_BYREF) {
            values_[j].vt = type.vt;
            values_[j].byref = valueAddress(temps_[j], base);
            owned_[j] = 0;
        }
        return S_OK;
    }

    CTypeInfo& owner_;
    FUNCDESC const& func_;
    DISPPARAMS& params_;
    UINT* argErr_;
    std::size_t count_;
    CallStorage<VARIANT> values_;
    CallStorage<VARIANT> temps_; // values behind references made here
    CallStorage<unsigned char> owned_; // whether the call clears values_[j]
    CallStorage<VARTYPE> types_;
    CallStorage<VARIANTARG*> pointers_;
    CallStorage<int> sources_; // the rgvarg index of each parameter's argument, or -1
    VARIANT retval_ = emptyVariant();
    int retvalIndex_ = -1;
};

// A failed method becomes DISP_E_EXCEPTION, described by the error object
// the method left, unless the object says it does not use them.
HRESULT exceptionOf(HRESULT failure, void* instance, GUID const& iid, EXCEPINFO* excepInfo) {
    IErrorInfo* error = nullptr;
    if (GetErrorInfo(0, &error) != S_OK)
        error = nullptr;
    if (error != nullptr) {
        ISupportErrorInfo* support = nullptr;
        auto* object = static_cast<IUnknown*>(instance);
        if (SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)))) {
            if (support->InterfaceSupportsErrorInfo(iid) != S_OK) {
                error->Release();
                error = nullptr;
            }
            support->Release();
        }
    }
    if (excepInfo != nullptr) {
        std::memset(excepInfo, 0, sizeof(EXCEPINFO));
        excepInfo->scode = failure;
        if (error != nullptr) {
            error->GetSource(&excepInfo->bstrSource);
            error->GetDescription(&excepInfo->bstrDescription);
            error->GetHelpFile(&excepInfo->bstrHelpFile);
            error->GetHelpContext(&excepInfo->dwHelpContext);
        }
    }
    if (error != nullptr)
        error->Release();
    return DISP_E_EXCEPTION;
}

HRESULT forwardToDispatch(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* excepInfo, UINT* argErr) {
    IDispatch* dispatch = nullptr;
    auto* object = static_cast<IUnknown*>(instance);
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return DISP_E_MEMBERNOTFOUND;
    HRESULT const hr = dispatch->Invoke(memid, IID_NULL, invokeLocale, flags, params, result, excepInfo, argErr);
    dispatch->Release();
    return hr;
}

} // namespace

STDMETHODIMP CTypeInfo::Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                               VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (pvInstance == nullptr || pDispParams == nullptr)
        return E_INVALIDARG;
    if ((pDispParams->cArgs > 0 && pDispParams->rgvarg == nullptr) ||
        (pDispParams->cNamedArgs > 0 && pDispParams->rgdispidNamedArgs == nullptr) ||
        pDispParams->cNamedArgs > pDispParams->cArgs)
        return E_INVALIDARG;
    if (isPureDispatch())
        return forwardToDispatch(pvInstance, memid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    Function const* found = nullptr;
    for (Function const& fn : functions()) {
        if (fn.desc.memid == memid && (fn.desc.invkind & wFlags) != 0) {
            found = &fn;
            break;
        }
    }
    if (found == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    if (found->call->funckind == FUNC_DISPATCH)
        return forwardToDispatch(pvInstance, memid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    InvokeCall call(*found->owner, *found->call, *pDispParams, puArgErr);
    if (HRESULT hr = call.prepare(); FAILED(hr))
        return hr;
    HRESULT methodResult = S_OK;
    if (HRESULT hr = call.call(pvInstance, pVarResult, methodResult); FAILED(hr))
        return hr;
    if (FAILED(methodResult))
        return exceptionOf(methodResult, pvInstance, attr_.guid, pExcepInfo);
    return S_OK;
}

} // namespace qor::platform::posix::ole
