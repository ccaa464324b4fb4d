#include "Platform/Posix/Ole/Dispatch/InvokePlan.h"

#include "Platform/Posix/Ole/Automation/VarType.h"
#include "Platform/Posix/Ole/Dispatch/ArgumentCoercion.h"
#include "Platform/Posix/Ole/TypeLib/CTypeInfo.h"

#include <algorithm>

namespace qor::platform::posix::ole {

namespace {

constexpr int maxTypeDepth = 16;

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
        out.vt =
            (attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE) || attr->typekind == TKIND_DISPATCH ? VT_DISPATCH : VT_UNKNOWN;
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
    case VT_CARRAY:
    case VT_RECORD:
    case VT_LPSTR:
    case VT_LPWSTR:
        return DISP_E_BADVARTYPE;
    default:
        out.vt = type.vt;
        return S_OK;
    }
}

// A parameter a direct call passes as it stands: a plain value in its own
// type, the [retval] pointer to a result that needs no fixing up after the
// call, or the locale.
bool passesDirectly(InvokePlan::Param const& param) {
    if (FAILED(param.typeError))
        return false;
    switch (param.role) {
    case InvokePlan::Role::argument:
        return !param.type.iid && vartype::isPlainValue(param.type.vt);
    case InvokePlan::Role::retval:
        // A DECIMAL written over its VARIANT's type needs retyping.
        return (param.type.vt & VT_BYREF) != 0 && param.type.vt != (VT_BYREF | VT_DECIMAL);
    case InvokePlan::Role::locale:
        return true;
    }
    return false;
}

InvokePlan::Role roleOf(FUNCDESC const& func, std::size_t j) {
    USHORT const flags = func.lprgelemdescParam[j].paramdesc.wParamFlags;
    if ((flags & PARAMFLAG_FRETVAL) && j + 1 == std::size_t(func.cParams))
        return InvokePlan::Role::retval;
    return flags & PARAMFLAG_FLCID ? InvokePlan::Role::locale : InvokePlan::Role::argument;
}

// What a missing argument becomes. A default is converted here once; the
// conversion of a constant turns out the same on every call.
void planMissing(InvokePlan::Param& param, PARAMDESC const& desc) {
    USHORT const flags = desc.wParamFlags;
    VARTYPE const base = static_cast<VARTYPE>(param.type.vt & ~VT_BYREF);
    if ((flags & PARAMFLAG_FHASDEFAULT) && desc.pparamdescex != nullptr) {
        param.missing = InvokePlan::Missing::defaultValue;
        param.defaultError = coerce(param.defaultValue, desc.pparamdescex->varDefaultValue, base);
    } else if ((flags & PARAMFLAG_FOPT) && base == VT_VARIANT) {
        param.missing = InvokePlan::Missing::paramNotFound;
    }
}

std::vector<InvokePlan::Param> paramsOf(CTypeInfo& owner, FUNCDESC const& func) {
    std::vector<InvokePlan::Param> params(std::size_t(func.cParams));
    for (std::size_t j = 0; j < params.size(); ++j) {
        InvokePlan::Param& param = params[j];
        ELEMDESC const& desc = func.lprgelemdescParam[j];
        param.role = roleOf(func, j);
        param.typeError = callTypeOf(owner, desc.tdesc, param.type);
        if (SUCCEEDED(param.typeError) && param.role == InvokePlan::Role::argument)
            planMissing(param, desc.paramdesc);
    }
    return params;
}

std::vector<VARTYPE> passedTypes(std::vector<InvokePlan::Param> const& params) {
    std::vector<VARTYPE> passed;
    passed.reserve(params.size());
    for (InvokePlan::Param const& param : params)
        passed.push_back(param.role == InvokePlan::Role::locale ? VARTYPE{VT_I4} : param.type.vt);
    return passed;
}

// What the native call returns: an HRESULT, nothing, or the declared type.
HRESULT resultTypeOf(CTypeInfo& owner, FUNCDESC const& func, CallType& out) {
    switch (func.elemdescFunc.tdesc.vt) {
    case VT_HRESULT:
        out.vt = VT_HRESULT;
        return S_OK;
    case VT_VOID:
        out.vt = VT_VOID;
        return S_OK;
    default:
        return callTypeOf(owner, func.elemdescFunc.tdesc, out);
    }
}

} // namespace

InvokePlan::InvokePlan(CTypeInfo& owner, FUNCDESC const& func)
    : func_(func), params_(paramsOf(owner, func)), returnsHresult_(func.elemdescFunc.tdesc.vt == VT_HRESULT),
      returnError_(resultTypeOf(owner, func, returned_)), passed_(passedTypes(params_)),
      nativeCall_(CallTarget::vtableSlot, func.callconv, returned_.vt, UINT(passed_.size()), passed_.data()) {
    resolved_ = SUCCEEDED(returnError_);
    for (std::size_t j = 0; j < params_.size(); ++j) {
        resolved_ = resolved_ && SUCCEEDED(params_[j].typeError);
        takesDecimalReference_ = takesDecimalReference_ || params_[j].type.vt == (VT_BYREF | VT_DECIMAL);
        if (params_[j].role == Role::retval)
            retvalIndex_ = j;
        else if (params_[j].role == Role::argument)
            declared_.push_back(j);
    }
    direct_ = returnsHresult_ && SUCCEEDED(nativeCall_.status()) && nativeCall_.inRegisters() &&
              std::ranges::all_of(params_, passesDirectly);
}

InvokePlan::~InvokePlan() {
    for (Param& param : params_)
        VariantClear(&param.defaultValue);
}

} // namespace qor::platform::posix::ole
