// ITypeComp of type infos and libraries: names bound to members, as a
// compiler binds the names of a program. A type binds its own members,
// then those it inherits; a library binds the types that are binding
// contexts of their own (modules and enumerations), their members, and the
// members of its application objects. Names match without regard to case;
// the hash, which only speeds a lookup up, is not needed to find one.

#include "Platform/Posix/Ole/TypeLib/CTypeInfo.h"
#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibText.h"

namespace qor::platform::posix::ole {

namespace {

HRESULT startBinding(LPOLESTR name, ITypeInfo** info, DESCKIND* kind, BINDPTR* bound) {
    if (name == nullptr || info == nullptr || kind == nullptr || bound == nullptr)
        return E_INVALIDARG;
    *info = nullptr;
    *kind = DESCKIND_NONE;
    bound->lptcomp = nullptr;
    return S_OK;
}

bool isBindingContext(TYPEKIND kind) { return kind == TKIND_MODULE || kind == TKIND_ENUM; }

bool isApplicationObject(CTypeInfo& info) {
    TYPEATTR* attr = nullptr;
    info.GetTypeAttr(&attr);
    return attr->typekind == TKIND_COCLASS && (attr->wTypeFlags & TYPEFLAG_FAPPOBJECT) != 0;
}

} // namespace

HRESULT CTypeInfo::bindMember(std::u16string_view wanted, WORD flags, ITypeInfo** info, DESCKIND* kind,
                              BINDPTR* bound, int depth) {
    prepare();
    bool mismatch = false;
    for (Function& fn : funcs_) {
        if (!sameTypeLibName(fn.library().text(fn.record->name), wanted))
            continue;
        if (flags != 0 && (fn.desc.invkind & flags) == 0) {
            mismatch = true;
            continue;
        }
        *kind = DESCKIND_FUNCDESC;
        bound->lpfuncdesc = &fn.desc;
        *info = this;
        AddRef();
        return S_OK;
    }
    for (std::size_t i = 0; i < vars_.size(); ++i) {
        if (sameTypeLibName(text(record_.vars[i].name), wanted)) {
            *kind = DESCKIND_VARDESC;
            bound->lpvardesc = &vars_[i];
            *info = this;
            AddRef();
            return S_OK;
        }
    }
    if (mismatch)
        return TYPE_E_TYPEMISMATCH;
    CTypeInfo* const base = depth < maxBaseDepth ? inheritedFrom() : nullptr;
    return base != nullptr ? base->bindMember(wanted, flags, info, kind, bound, depth + 1) : S_OK;
}

STDMETHODIMP CTypeInfo::Bind(LPOLESTR szName, ULONG, WORD wFlags, ITypeInfo** ppTInfo, DESCKIND* pDescKind,
                             BINDPTR* pBindPtr) {
    if (HRESULT hr = startBinding(szName, ppTInfo, pDescKind, pBindPtr); FAILED(hr))
        return hr;
    return bindMember(szName, wFlags, ppTInfo, pDescKind, pBindPtr);
}

// Types are bound in libraries; a type holds none of its own.
STDMETHODIMP CTypeInfo::BindType(LPOLESTR szName, ULONG, ITypeInfo** ppTInfo, ITypeComp** ppTComp) {
    if (szName == nullptr || ppTInfo == nullptr || ppTComp == nullptr)
        return E_INVALIDARG;
    *ppTInfo = nullptr;
    *ppTComp = nullptr;
    return S_OK;
}

// The variable an application object stands for: the coclass's object,
// whose members a program names without naming it.
VARDESC* CTypeInfo::applicationObject() {
    if (applicationObject_.elemdescVar.tdesc.vt == VT_EMPTY) {
        applicationObjectType_.vt = VT_USERDEFINED;
        applicationObjectType_.hreftype = TypeLibRecord::hrefOfIndex(index_);
        applicationObject_.memid = MEMBERID_NIL;
        applicationObject_.varkind = VAR_STATIC;
        applicationObject_.elemdescVar.tdesc.vt = VT_PTR;
        applicationObject_.elemdescVar.tdesc.lptdesc = &applicationObjectType_;
    }
    return &applicationObject_;
}

STDMETHODIMP CTypeLib::Bind(LPOLESTR szName, ULONG, WORD wFlags, ITypeInfo** ppTInfo, DESCKIND* pDescKind,
                            BINDPTR* pBindPtr) {
    if (HRESULT hr = startBinding(szName, ppTInfo, pDescKind, pBindPtr); FAILED(hr))
        return hr;
    std::u16string_view const wanted(szName);
    bool mismatch = false;
    for (auto const& type : infos_) {
        CTypeInfo& info = *type;
        bool const context = isBindingContext(info.kind());
        bool const applicationObject = !context && isApplicationObject(info);
        if (!context && !applicationObject)
            continue;
        if (context && sameTypeLibName(info.name(), wanted)) {
            *pDescKind = DESCKIND_TYPECOMP;
            pBindPtr->lptcomp = &info;
            info.AddRef();
            return S_OK;
        }
        bool const named = applicationObject && sameTypeLibName(info.name(), wanted);
        HRESULT const hr = named ? S_OK : info.bindMember(wanted, wFlags, ppTInfo, pDescKind, pBindPtr);
        mismatch = mismatch || hr == TYPE_E_TYPEMISMATCH;
        if (FAILED(hr) || (!named && *pDescKind == DESCKIND_NONE))
            continue;
        if (applicationObject) {
            // A member of the object's default interface: what is bound is
            // the object, which the program then calls.
            if (*ppTInfo != nullptr)
                (*ppTInfo)->Release();
            *pDescKind = DESCKIND_IMPLICITAPPOBJ;
            pBindPtr->lpvardesc = info.applicationObject();
            *ppTInfo = &info;
            info.AddRef();
        }
        return S_OK;
    }
    *pDescKind = DESCKIND_NONE;
    *ppTInfo = nullptr;
    pBindPtr->lptcomp = nullptr;
    return mismatch ? TYPE_E_TYPEMISMATCH : S_OK;
}

STDMETHODIMP CTypeLib::BindType(LPOLESTR szName, ULONG, ITypeInfo** ppTInfo, ITypeComp** ppTComp) {
    if (szName == nullptr || ppTInfo == nullptr || ppTComp == nullptr)
        return E_INVALIDARG;
    *ppTInfo = nullptr;
    *ppTComp = nullptr;
    std::u16string_view const wanted(szName);
    for (auto const& info : infos_) {
        if (sameTypeLibName(info->name(), wanted)) {
            *ppTInfo = info.get();
            AddRef();
            return S_OK;
        }
    }
    return S_OK;
}

} // namespace qor::platform::posix::ole
