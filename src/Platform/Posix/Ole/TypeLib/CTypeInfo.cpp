#include "Platform/Posix/Ole/TypeLib/CTypeInfo.h"

#include "Platform/Posix/Ole/Dispatch/InvokePlan.h"
#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibText.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibValue.h"

#include <algorithm>

namespace qor::platform::posix::ole {

namespace {
// GetRefTypeOfImplType(-1) of a dual interface's dispatch view names its
// vtable side by this handle, as on Windows.
constexpr HREFTYPE dualInterfaceHref = 0xFFFFFFFE;
// The base of a dispatch view in a library that never names IDispatch: it
// is stdole2's.
constexpr HREFTYPE stdoleDispatchHref = 0xFFFFFFFC;
// Set in the handles an interface gives for its bases: the base is meant
// as an interface, so a dual base resolves to its vtable side. Stored
// handles never have it (they are multiples of four, imported ones plus one).
constexpr HREFTYPE vtableSideBit = 2;
// A handle in a dispatch view whose top byte is set names a type through the
// interface of the view at that place (counted from 1); stored handles are
// offsets into their library's tables, far below it.
constexpr int viewHrefShift = 24;
constexpr HREFTYPE viewHrefPlaceMask = 0xFF000000;
// IUnknown and IDispatch: what a dispatch view's vtable always holds.
constexpr WORD dispatchVtableSlots = 7;

// The descriptions offsetType makes of a type: one per level of pointer.
std::size_t typeCopiesOf(TYPEDESC const& type) {
    std::size_t nodes = 0;
    for (TYPEDESC const* t = &type; (t->vt == VT_PTR || t->vt == VT_SAFEARRAY) && t->lptdesc != nullptr; t = t->lptdesc)
        ++nodes;
    return nodes;
}

bool takesLocale(FUNCDESC const& desc) {
    for (SHORT j = 0; j < desc.cParams; ++j)
        if (desc.lprgelemdescParam[j].paramdesc.wParamFlags & PARAMFLAG_FLCID)
            return true;
    return false;
}

bool isPointer(VARTYPE vt) {
    switch (vt) {
    case VT_PTR: case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: case VT_SAFEARRAY: case VT_LPSTR: case VT_LPWSTR:
    case VT_INT_PTR: case VT_UINT_PTR:
        return true;
    default:
        return false;
    }
}
} // namespace

CTypeInfo::CTypeInfo(CTypeLib& lib, std::size_t index, Side side)
    : lib_(lib), record_(lib.record().typeInfos[index]), index_(index), side_(side), funcs_(&lib.tables()),
      params_(&lib.tables()), functionsById_(&lib.tables()), vars_(&lib.tables()), defaults_(&lib.tables()),
      constants_(&lib.tables()), viewTypes_(&lib.tables()) {
    if (record_.kind == TKIND_DISPATCH && side_ == Side::stored)
        dispatchImpl_.push_back({lib.record().dispatchHref.value_or(stdoleDispatchHref), 0, {}});
    buildAttr();
}

CTypeInfo::~CTypeInfo() {
    for (PARAMDESCEX& d : defaults_)
        VariantClear(&d.varDefaultValue);
    for (VARIANT& v : constants_)
        VariantClear(&v);
}

std::size_t CTypeInfo::expectedTableBytes(TypeLibRecord const& lib) {
    std::size_t functions = 0;
    for (TypeInfoRecord const& info : lib.typeInfos) {
        functions += info.funcs.size();
        // A dual interface's dispatch view lists its members again, after
        // those of IUnknown and IDispatch.
        if (info.kind == TKIND_DISPATCH && (info.typeFlags & TYPEFLAG_FDUAL))
            functions += info.funcs.size() + dispatchVtableSlots;
    }
    std::size_t const bytes =
        functions * (sizeof(Function) + sizeof(FunctionEntry)) + lib.params.size() * sizeof(ELEMDESC);
    // Defaults, constants and the types of members of other libraries.
    return bytes + bytes / 8;
}

bool CTypeInfo::isDualDispatch() const {
    return side_ == Side::stored && record_.kind == TKIND_DISPATCH && (record_.typeFlags & TYPEFLAG_FDUAL);
}

std::pmr::vector<ImplTypeRecord> const& CTypeInfo::implTypes() const {
    return record_.kind == TKIND_DISPATCH && side_ == Side::stored ? dispatchImpl_ : record_.implTypes;
}

void CTypeInfo::buildAttr() {
    TypeLibRecord const& lib = lib_.record();
    attr_.guid = record_.guid.to<GUID>();
    attr_.lcid = static_cast<LCID>(lib.lcid);
    attr_.memidConstructor = MEMBERID_NIL;
    attr_.memidDestructor = MEMBERID_NIL;
    attr_.cbSizeInstance = static_cast<ULONG>(record_.sizeInstance);
    attr_.typekind = static_cast<TYPEKIND>(record_.kind);
    attr_.cFuncs = static_cast<WORD>(record_.funcs.size());
    attr_.cVars = static_cast<WORD>(record_.vars.size());
    attr_.cImplTypes = static_cast<WORD>(implTypes().size());
    attr_.cbSizeVft = static_cast<WORD>(record_.vtableSlots * sizeof(void*));
    attr_.cbAlignment = record_.alignment;
    attr_.wTypeFlags = record_.typeFlags;
    attr_.wMajorVerNum = record_.majorVersion;
    attr_.wMinorVerNum = record_.minorVersion;
    if (record_.aliasType)
        attr_.tdescAlias = lib_.typeDesc(*record_.aliasType);
    // An interface, a coclass or an alias of a pointer is one pointer big,
    // which a library written for 32-bit Windows stores as 4 bytes.
    bool const onePointer = record_.kind == TKIND_INTERFACE || record_.kind == TKIND_DISPATCH ||
                            record_.kind == TKIND_COCLASS || (record_.aliasType && isPointer(attr_.tdescAlias.vt));
    if (lib.sysKind != SYS_WIN64 && onePointer) {
        attr_.cbSizeInstance = sizeof(void*);
        attr_.cbAlignment = alignof(void*);
    }
    if (side_ == Side::dualInterface) {
        attr_.typekind = TKIND_INTERFACE;
    } else if (record_.kind == TKIND_DISPATCH) {
        attr_.cbSizeVft = static_cast<WORD>(dispatchVtableSlots * sizeof(void*));
        if (record_.typeFlags & TYPEFLAG_FDUAL)
            attr_.wTypeFlags = static_cast<WORD>(attr_.wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION);
    }
}

// Members are built when first asked for: a dispatch view lists the members
// of its bases, which may live in libraries loaded only then.
void CTypeInfo::prepare() {
    if (prepared_)
        return;
    prepared_ = true;
    findViewedInterfaces();
    if (!viewChain_.empty())
        addDispatchFunctions();
    else
        addOwnFunctions();
    addVars();
    indexFunctions();
    attr_.cFuncs = static_cast<WORD>(funcs_.size());
    attr_.cVars = static_cast<WORD>(vars_.size());
}

TypeLibRecord const& CTypeInfo::Function::library() const { return owner->lib().record(); }

std::pmr::vector<CTypeInfo::Function> const& CTypeInfo::functions() {
    prepare();
    return funcs_;
}

void CTypeInfo::indexFunctions() {
    functionsById_.reserve(funcs_.size());
    for (Function const& fn : funcs_)
        functionsById_.push_back({fn.desc.memid, fn.desc.invkind, &fn, nullptr});
    // In declaration order within one id: the functions lie in that order.
    std::ranges::sort(functionsById_, [](FunctionEntry const& a, FunctionEntry const& b) {
        return a.memid != b.memid ? a.memid < b.memid : a.function < b.function;
    });
}

void CTypeInfo::addOwnFunctions() {
    TypeLibRecord const& lib = lib_.record();
    std::size_t paramCount = 0;
    std::size_t defaultCount = 0;
    for (FuncRecord const& rec : record_.funcs) {
        paramCount += rec.params.count;
        for (ParamRecord const& p : lib.paramsOf(rec))
            defaultCount += p.defaultValue && (p.flags & PARAMFLAG_FHASDEFAULT);
    }
    funcs_.reserve(record_.funcs.size());
    params_.reserve(paramCount);
    defaults_.reserve(defaultCount);
    for (FuncRecord const& rec : record_.funcs) {
        Function& fn = funcs_.emplace_back();
        fn.record = &rec;
        fn.owner = this;
        fn.call = &fn.desc;
        FUNCDESC& d = fn.desc;
        d.memid = rec.memberId;
        d.funckind = static_cast<FUNCKIND>(rec.funcKind);
        d.invkind = static_cast<INVOKEKIND>(rec.invokeKind);
        d.callconv = static_cast<CALLCONV>(rec.callConv);
        d.cParams = static_cast<SHORT>(rec.params.count);
        d.cParamsOpt = rec.optionalParams;
        // A dispinterface's members are called through Invoke, not a vtable slot.
        d.oVft = isPureDispatch() ? 0 : static_cast<SHORT>(rec.vtableSlot * static_cast<int>(sizeof(void*)));
        d.elemdescFunc.tdesc = lib_.typeDesc(rec.returnType);
        d.wFuncFlags = rec.funcFlags;
        d.lprgelemdescParam = rec.params.count == 0 ? nullptr : params_.data() + params_.size();
        for (ParamRecord const& p : lib.paramsOf(rec)) {
            ELEMDESC& e = params_.emplace_back();
            e.tdesc = lib_.typeDesc(p.type);
            e.paramdesc.wParamFlags = p.flags;
            if (p.defaultValue && (p.flags & PARAMFLAG_FHASDEFAULT))
                e.paramdesc.pparamdescex = &defaults_.emplace_back(
                    PARAMDESCEX{sizeof(PARAMDESCEX), variantOfTypeLibValue(lib, lib.values[*p.defaultValue])});
        }
    }
}

// A dispatch view shows every member of its interfaces, bases first, as a
// dispatch member: the [retval] parameter becomes the result, an HRESULT
// result disappears, and an [lcid] parameter, which Invoke supplies, is not
// shown. The parameters are those of the vtable side where nothing of them
// changes. A type a member of a base names gets a handle that says which
// interface of the view names it, as on Windows: the interface's place,
// counted from 1 at the root, in the handle's top byte.
void CTypeInfo::addDispatchFunctions() {
    std::size_t funcCount = 0;
    std::size_t paramCount = 0;
    std::size_t typeCount = 0;
    for (std::size_t p = 0; p < viewChain_.size(); ++p) {
        bool const moved = hrefOffsetOf(p) != 0;
        for (Function const& src : viewChain_[p]->functions()) {
            ++funcCount;
            if (!moved && !takesLocale(src.desc))
                continue;
            paramCount += std::size_t(std::max<SHORT>(src.desc.cParams, 0));
            typeCount += typeCopiesOf(src.desc.elemdescFunc.tdesc);
            for (SHORT j = 0; j < src.desc.cParams; ++j)
                typeCount += typeCopiesOf(src.desc.lprgelemdescParam[j].tdesc);
        }
    }
    funcs_.reserve(funcCount);
    params_.reserve(paramCount);
    viewTypes_.reserve(typeCount);
    for (std::size_t p = 0; p < viewChain_.size(); ++p) {
        HREFTYPE const offset = hrefOffsetOf(p);
        for (Function const& src : viewChain_[p]->functions())
            addDispatchFunction(src, offset);
    }
}

void CTypeInfo::addDispatchFunction(Function const& src, HREFTYPE hrefOffset) {
    Function& fn = funcs_.emplace_back(src);
    FUNCDESC& d = fn.desc;
    if (hrefOffset != 0 || takesLocale(src.desc)) {
        d.elemdescFunc.tdesc = offsetType(d.elemdescFunc.tdesc, hrefOffset);
        d.lprgelemdescParam = params_.data() + params_.size();
        d.cParams = 0;
        for (SHORT j = 0; j < src.desc.cParams; ++j) {
            ELEMDESC const& param = src.desc.lprgelemdescParam[j];
            if (param.paramdesc.wParamFlags & PARAMFLAG_FLCID)
                continue;
            ELEMDESC& e = params_.emplace_back(param);
            e.tdesc = offsetType(e.tdesc, hrefOffset);
            ++d.cParams;
        }
    }
    d.funckind = FUNC_DISPATCH;
    d.callconv = CC_STDCALL;
    ELEMDESC const* last = d.cParams > 0 ? &d.lprgelemdescParam[d.cParams - 1] : nullptr;
    if (last && (last->paramdesc.wParamFlags & PARAMFLAG_FRETVAL) && last->tdesc.vt == VT_PTR) {
        d.elemdescFunc = ELEMDESC{};
        d.elemdescFunc.tdesc = *last->tdesc.lptdesc;
        d.cParams = static_cast<SHORT>(d.cParams - 1);
    } else if (d.elemdescFunc.tdesc.vt == VT_HRESULT) {
        d.elemdescFunc.tdesc.vt = VT_VOID;
    }
    if (d.cParams == 0)
        d.lprgelemdescParam = nullptr;
}

// The interfaces a dispatch view shows, bases first: the vtable side of a
// dual interface and its bases, or the interface a dispinterface declared
// as `dispinterface X { interface Y; }` wraps, and its bases. Empty for
// any other type.
void CTypeInfo::findViewedInterfaces() {
    CTypeInfo* next = nullptr;
    if (isDualDispatch())
        next = lib_.dualInterface(index_);
    else if (wrapsInterface() && SUCCEEDED(lib_.resolveHref(record_.implTypes[0].hrefType, &next)))
        next = next->isDualDispatch() ? next->lib().dualInterface(next->index_) : next;
    if (next != nullptr && next->attr_.typekind != TKIND_INTERFACE)
        next = nullptr;
    while (next != nullptr && viewChain_.size() < std::size_t{maxBaseDepth}) {
        viewChain_.insert(viewChain_.begin(), next);
        CTypeInfo* base = nullptr;
        next = SUCCEEDED(next->vtableBase(&base)) ? base : nullptr;
    }
}

// MIDL's "syntax 2": a dispinterface of no members of its own that names
// the interface whose members it dispatches.
bool CTypeInfo::wrapsInterface() const {
    return side_ == Side::stored && record_.kind == TKIND_DISPATCH && (record_.typeFlags & TYPEFLAG_FDUAL) == 0 &&
           record_.funcs.empty() && record_.vars.empty() && !record_.implTypes.empty();
}

// The members of a dual interface's own vtable side keep their types'
// handles; those of every other interface of a view say where they come from.
HREFTYPE CTypeInfo::hrefOffsetOf(std::size_t place) const {
    if (isDualDispatch() && place + 1 == viewChain_.size())
        return 0;
    return static_cast<HREFTYPE>(place + 1) << viewHrefShift;
}

// The interface a vtable side derives from, itself as a vtable side.
HRESULT CTypeInfo::vtableBase(CTypeInfo** result) {
    *result = nullptr;
    if (record_.implTypes.empty() || record_.kind == TKIND_COCLASS)
        return TYPE_E_ELEMENTNOTFOUND;
    CTypeInfo* base = nullptr;
    if (HRESULT hr = lib_.resolveHref(record_.implTypes[0].hrefType, &base); FAILED(hr))
        return hr;
    if (base->isDualDispatch())
        base = base->lib().dualInterface(base->index_);
    if (base == this)
        return TYPE_E_ELEMENTNOTFOUND;
    *result = base;
    return S_OK;
}

// A type of a member shown in a view, its handles moved by `hrefOffset`.
TYPEDESC CTypeInfo::offsetType(TYPEDESC const& type, HREFTYPE hrefOffset) {
    TYPEDESC out = type;
    if (hrefOffset == 0)
        return out;
    if (type.vt == VT_USERDEFINED)
        out.hreftype = type.hreftype + hrefOffset;
    else if ((type.vt == VT_PTR || type.vt == VT_SAFEARRAY) && type.lptdesc != nullptr)
        out.lptdesc = &viewTypes_.emplace_back(offsetType(*type.lptdesc, hrefOffset));
    return out;
}

void CTypeInfo::addVars() {
    vars_.reserve(record_.vars.size());
    constants_.reserve(static_cast<std::size_t>(
        std::ranges::count_if(record_.vars, [](VarRecord const& rec) { return rec.constant.has_value(); })));
    for (VarRecord const& rec : record_.vars) {
        VARDESC& d = vars_.emplace_back();
        d.memid = rec.memberId;
        d.varkind = static_cast<VARKIND>(rec.varKind);
        d.wVarFlags = rec.varFlags;
        d.elemdescVar.tdesc = lib_.typeDesc(rec.type);
        if (rec.constant)
            d.lpvarValue = &constants_.emplace_back(variantOfTypeLibValue(lib_.record(), *rec.constant));
        else
            d.oInst = static_cast<ULONG>(rec.instanceOffset);
    }
}

STDMETHODIMP CTypeInfo::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ITypeInfo) || IsEqualGUID(riid, IID_ITypeInfo2))
        *ppv = static_cast<ITypeInfo2*>(this);
    else if (IsEqualGUID(riid, IID_ITypeComp))
        *ppv = static_cast<ITypeComp*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CTypeInfo::AddRef() { return lib_.AddRef(); }
STDMETHODIMP_(ULONG) CTypeInfo::Release() { return lib_.Release(); }

STDMETHODIMP CTypeInfo::GetTypeAttr(TYPEATTR** ppTypeAttr) {
    if (ppTypeAttr == nullptr)
        return E_INVALIDARG;
    prepare();
    *ppTypeAttr = &attr_;
    return S_OK;
}

// Descriptions are the type info's own, valid while it lives; releasing
// them has nothing to free.
STDMETHODIMP_(void) CTypeInfo::ReleaseTypeAttr(TYPEATTR*) {}
STDMETHODIMP_(void) CTypeInfo::ReleaseFuncDesc(FUNCDESC*) {}
STDMETHODIMP_(void) CTypeInfo::ReleaseVarDesc(VARDESC*) {}

STDMETHODIMP CTypeInfo::GetTypeComp(ITypeComp** ppTComp) {
    if (ppTComp == nullptr)
        return E_INVALIDARG;
    *ppTComp = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) {
    if (ppFuncDesc == nullptr)
        return E_INVALIDARG;
    *ppFuncDesc = nullptr;
    prepare();
    if (index >= funcs_.size())
        return TYPE_E_ELEMENTNOTFOUND;
    *ppFuncDesc = &funcs_[index].desc;
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetVarDesc(UINT index, VARDESC** ppVarDesc) {
    if (ppVarDesc == nullptr)
        return E_INVALIDARG;
    *ppVarDesc = nullptr;
    prepare();
    if (index >= vars_.size())
        return TYPE_E_ELEMENTNOTFOUND;
    *ppVarDesc = &vars_[index];
    return S_OK;
}

// A dispatch view shows the parameters of a member but its [lcid].
std::optional<std::size_t> CTypeInfo::storedParamIndex(Function const& fn, std::size_t shown) {
    bool const inView = fn.call != &fn.desc;
    auto const params = fn.library().paramsOf(*fn.record);
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (inView && (params[i].flags & PARAMFLAG_FLCID))
            continue;
        if (shown-- == 0)
            return i;
    }
    return std::nullopt;
}

CTypeInfo::Function const* CTypeInfo::functionOf(MEMBERID memid) const {
    auto entry = std::ranges::lower_bound(functionsById_, memid, {}, &FunctionEntry::memid);
    return entry != functionsById_.end() && entry->memid == memid ? entry->function : nullptr;
}

VarRecord const* CTypeInfo::varOf(MEMBERID memid) const {
    for (VarRecord const& v : record_.vars)
        if (v.memberId == memid)
            return &v;
    return nullptr;
}

STDMETHODIMP CTypeInfo::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) {
    if (rgBstrNames == nullptr || pcNames == nullptr)
        return E_INVALIDARG;
    *pcNames = 0;
    prepare();
    UINT count = 0;
    auto add = [&](std::string_view name) {
        if (count >= cMaxNames)
            return false;
        rgBstrNames[count++] = typeLibTextToBstr(name);
        return true;
    };
    if (Function const* fn = functionOf(memid)) {
        TypeLibRecord const& lib = fn->library();
        add(lib.text(fn->record->name));
        auto const params = lib.paramsOf(*fn->record);
        for (SHORT j = 0; j < fn->desc.cParams; ++j) {
            auto const stored = storedParamIndex(*fn, std::size_t(j));
            if (!stored || params[*stored].name.size == 0 || !add(lib.text(params[*stored].name)))
                break;
        }
    } else if (VarRecord const* var = varOf(memid)) {
        add(text(var->name));
    } else {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    *pcNames = count;
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) {
    if (pRefType == nullptr)
        return E_INVALIDARG;
    if (index == static_cast<UINT>(-1)) {
        if ((record_.typeFlags & TYPEFLAG_FDUAL) == 0 || record_.kind != TKIND_DISPATCH)
            return TYPE_E_ELEMENTNOTFOUND;
        *pRefType = side_ == Side::stored ? dualInterfaceHref : TypeLibRecord::hrefOfIndex(index_);
        return S_OK;
    }
    if (index >= implTypes().size())
        return TYPE_E_ELEMENTNOTFOUND;
    *pRefType = implTypes()[index].hrefType;
    if (attr_.typekind == TKIND_INTERFACE)
        *pRefType |= vtableSideBit;
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetImplTypeFlags(UINT index, INT* pImplTypeFlags) {
    if (pImplTypeFlags == nullptr)
        return E_INVALIDARG;
    if (index >= implTypes().size())
        return TYPE_E_ELEMENTNOTFOUND;
    *pImplTypeFlags = implTypes()[index].flags;
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) {
    if (rgszNames == nullptr || pMemId == nullptr)
        return E_INVALIDARG;
    if (cNames == 0)
        return S_OK;
    for (UINT i = 0; i < cNames; ++i)
        pMemId[i] = DISPID_UNKNOWN;
    if (rgszNames[0] == nullptr)
        return DISP_E_UNKNOWNNAME;
    return idsOfNames(rgszNames, cNames, pMemId, 0);
}

// A name that is no member of the type's own may be one of an interface's
// base or of a coclass's first interface, as on Windows.
HRESULT CTypeInfo::idsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId, int depth) {
    prepare();
    std::u16string_view const member(rgszNames[0]);
    Function const* named = nullptr;
    for (Function const& fn : funcs_) {
        if (sameTypeLibName(fn.library().text(fn.record->name), member)) {
            named = &fn;
            break;
        }
    }
    if (named == nullptr) {
        for (VarRecord const& v : record_.vars) {
            if (sameTypeLibName(text(v.name), member)) {
                pMemId[0] = v.memberId;
                return cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
            }
        }
        CTypeInfo* const base = depth < maxBaseDepth ? inheritedFrom() : nullptr;
        return base != nullptr ? base->idsOfNames(rgszNames, cNames, pMemId, depth + 1) : DISP_E_UNKNOWNNAME;
    }
    pMemId[0] = named->desc.memid;
    TypeLibRecord const& namedLib = named->library();
    auto const params = namedLib.paramsOf(*named->record);
    HRESULT result = S_OK;
    for (UINT i = 1; i < cNames; ++i) {
        // A parameter's id is its place among all the member's parameters,
        // those a dispatch view does not show ([lcid], [retval]) counted.
        for (std::size_t j = 0; rgszNames[i] != nullptr && j < params.size(); ++j) {
            if (sameTypeLibName(namedLib.text(params[j].name), rgszNames[i])) {
                pMemId[i] = static_cast<MEMBERID>(j);
                break;
            }
        }
        if (pMemId[i] == DISPID_UNKNOWN)
            result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

CTypeInfo* CTypeInfo::inheritedFrom() {
    if (attr_.typekind != TKIND_INTERFACE && attr_.typekind != TKIND_COCLASS)
        return nullptr;
    UINT from = 0;
    auto const& impls = implTypes();
    for (UINT i = 0; attr_.typekind == TKIND_COCLASS && i < impls.size(); ++i) {
        if ((impls[i].flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) == IMPLTYPEFLAG_FDEFAULT) {
            from = i;
            break;
        }
    }
    HREFTYPE href = 0;
    CTypeInfo* base = nullptr;
    if (FAILED(GetRefTypeOfImplType(from, &href)) || FAILED(resolve(href, &base)) || base == this)
        return nullptr;
    return base;
}

STDMETHODIMP CTypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                         BSTR* pBstrHelpFile) {
    std::string_view name;
    std::string_view doc;
    std::int32_t context = 0;
    prepare();
    if (memid == MEMBERID_NIL) {
        name = text(record_.name);
        doc = text(record_.docString);
        context = record_.helpContext;
    } else if (Function const* fn = functionOf(memid)) {
        TypeLibRecord const& lib = fn->library();
        name = lib.text(fn->record->name);
        doc = lib.text(fn->record->helpString);
        context = fn->record->helpContext;
    } else if (VarRecord const* var = varOf(memid)) {
        name = text(var->name);
        doc = text(var->helpString);
        context = var->helpContext;
    } else {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    std::string_view const helpFile = text(lib_.record().helpFile);
    if (pBstrName != nullptr)
        *pBstrName = typeLibTextToBstr(name);
    if (pBstrDocString != nullptr)
        *pBstrDocString = doc.empty() ? nullptr : typeLibTextToBstr(doc);
    if (pdwHelpContext != nullptr)
        *pdwHelpContext = static_cast<DWORD>(context);
    if (pBstrHelpFile != nullptr)
        *pBstrHelpFile = helpFile.empty() ? nullptr : typeLibTextToBstr(helpFile);
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                                     WORD* pwOrdinal) {
    if (pBstrDllName != nullptr)
        *pBstrDllName = nullptr;
    if (pBstrName != nullptr)
        *pBstrName = nullptr;
    if (pwOrdinal != nullptr)
        *pwOrdinal = 0;
    if (record_.kind != TKIND_MODULE)
        return TYPE_E_BADMODULEKIND;
    auto const fn = std::ranges::find_if(record_.funcs, [&](FuncRecord const& f) {
        return f.memberId == memid && f.invokeKind == invKind;
    });
    if (fn == record_.funcs.end() || (fn->entryName.size == 0 && !fn->entryOrdinal))
        return TYPE_E_ELEMENTNOTFOUND;
    if (pBstrDllName != nullptr)
        *pBstrDllName = typeLibTextToBstr(text(record_.dllName));
    if (pBstrName != nullptr && !fn->entryOrdinal)
        *pBstrName = typeLibTextToBstr(text(fn->entryName));
    if (pwOrdinal != nullptr)
        *pwOrdinal = fn->entryOrdinal.value_or(0);
    return S_OK;
}

HRESULT CTypeInfo::resolve(HREFTYPE href, CTypeInfo** result) {
    *result = nullptr;
    if (href == dualInterfaceHref && isDualDispatch()) {
        *result = lib_.dualInterface(index_);
        return S_OK;
    }
    if (href == stdoleDispatchHref && record_.kind == TKIND_DISPATCH)
        return lib_.stdoleType(IID_IDispatch, result);
    if ((href & viewHrefPlaceMask) != 0 && attr_.typekind == TKIND_DISPATCH) {
        prepare();
        std::size_t const place = href >> viewHrefShift;
        if (place > viewChain_.size())
            return TYPE_E_ELEMENTNOTFOUND;
        return viewChain_[place - 1]->resolve(href & ~viewHrefPlaceMask, result);
    }
    // Any other reference to a dual interface means its dispatch view, even
    // where it is the type of the base (IXMLDOMDocument::createNode).
    bool const asBase = attr_.typekind == TKIND_INTERFACE && (href & vtableSideBit) != 0;
    CTypeInfo* found = nullptr;
    if (HRESULT hr = lib_.resolveHref(asBase ? href & ~vtableSideBit : href, &found); FAILED(hr))
        return hr;
    if (asBase && found->isDualDispatch())
        found = found->lib().dualInterface(found->index_);
    *result = found;
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr)
        return E_INVALIDARG;
    *ppTInfo = nullptr;
    CTypeInfo* found = nullptr;
    if (HRESULT hr = resolve(hRefType, &found); FAILED(hr))
        return hr;
    found->AddRef();
    *ppTInfo = found;
    return S_OK;
}

STDMETHODIMP CTypeInfo::AddressOfMember(MEMBERID, INVOKEKIND, PVOID* ppv) {
    if (ppv != nullptr)
        *ppv = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CTypeInfo::CreateInstance(IUnknown*, REFIID, PVOID* ppvObj) {
    if (ppvObj != nullptr)
        *ppvObj = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CTypeInfo::GetMops(MEMBERID, BSTR* pBstrMops) {
    if (pBstrMops != nullptr)
        *pBstrMops = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CTypeInfo::GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) {
    if (ppTLib == nullptr)
        return E_INVALIDARG;
    lib_.AddRef();
    *ppTLib = &lib_;
    if (pIndex != nullptr)
        *pIndex = static_cast<UINT>(index_);
    return S_OK;
}

std::optional<std::string_view> CTypeInfo::findName(std::u16string_view wanted) const {
    TypeLibRecord const& lib = lib_.record();
    auto matches = [&](TextRef name) { return sameTypeLibName(lib.text(name), wanted); };
    if (matches(record_.name))
        return lib.text(record_.name);
    for (FuncRecord const& f : record_.funcs) {
        if (matches(f.name))
            return lib.text(f.name);
        for (ParamRecord const& p : lib.paramsOf(f))
            if (matches(p.name))
                return lib.text(p.name);
    }
    for (VarRecord const& v : record_.vars)
        if (matches(v.name))
            return lib.text(v.name);
    return std::nullopt;
}

std::optional<CTypeInfo::NamedMember> CTypeInfo::findMember(std::u16string_view wanted) const {
    auto matches = [&](TextRef name) { return sameTypeLibName(text(name), wanted); };
    if (matches(record_.name))
        return NamedMember{MEMBERID_NIL, text(record_.name)};
    for (FuncRecord const& f : record_.funcs)
        if (matches(f.name))
            return NamedMember{f.memberId, text(f.name)};
    for (VarRecord const& v : record_.vars)
        if (matches(v.name))
            return NamedMember{v.memberId, text(v.name)};
    return std::nullopt;
}

std::string_view CTypeInfo::text(TextRef ref) const { return lib_.record().text(ref); }

std::string_view CTypeInfo::name() const { return text(record_.name); }

} // namespace qor::platform::posix::ole
