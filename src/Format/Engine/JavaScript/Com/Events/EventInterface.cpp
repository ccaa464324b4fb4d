#include "Format/Engine/JavaScript/Com/Events/EventInterface.h"

#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Platform/Windows/Com/OleText.h"

#include <utility>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::ComRef;
using platform::windows::com::oleFromUtf8;
using platform::windows::com::TypeLibrary;
using platform::windows::com::utf8FromOle;

// The attributes of a type, returned to it when done.
class TypeAttributes {
public:
    explicit TypeAttributes(ITypeInfo& typeInfo) : typeInfo_(typeInfo) {
        if (FAILED(typeInfo_.GetTypeAttr(&attributes_)))
            attributes_ = nullptr;
    }
    TypeAttributes(TypeAttributes const&) = delete;
    TypeAttributes& operator=(TypeAttributes const&) = delete;
    ~TypeAttributes() {
        if (attributes_ != nullptr)
            typeInfo_.ReleaseTypeAttr(attributes_);
    }
    TYPEATTR const* operator->() const { return attributes_; }
    explicit operator bool() const { return attributes_ != nullptr; }

private:
    ITypeInfo& typeInfo_;
    TYPEATTR* attributes_ = nullptr;
};

ComRef<ITypeInfo> implementedType(ITypeInfo& typeInfo, UINT position) {
    HREFTYPE reference = 0;
    ComRef<ITypeInfo> referenced;
    if (SUCCEEDED(typeInfo.GetRefTypeOfImplType(position, &reference)))
        typeInfo.GetRefTypeInfo(reference, referenced.put());
    return referenced;
}

// The dispatch side of an interface: a dispinterface itself, the dispatch
// half of a dual interface; none for a pure vtable interface.
ComRef<ITypeInfo> dispatchSide(ComRef<ITypeInfo> typeInfo) {
    TypeAttributes const attributes(*typeInfo);
    if (!attributes)
        return {};
    if (attributes->typekind == TKIND_DISPATCH)
        return typeInfo;
    if (attributes->typekind == TKIND_INTERFACE && (attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0)
        return implementedType(*typeInfo, static_cast<UINT>(-1));
    return {};
}

bool isSource(ITypeInfo& coclass, UINT position, bool defaultOnly) {
    INT flags = 0;
    if (FAILED(coclass.GetImplTypeFlags(position, &flags)) || (flags & IMPLTYPEFLAG_FSOURCE) == 0)
        return false;
    return !defaultOnly || (flags & IMPLTYPEFLAG_FDEFAULT) != 0;
}

// True when the coclass implements (not sources) the interface `iid`.
bool implements(ITypeInfo& coclass, TYPEATTR const& attributes, Guid const& iid) {
    for (UINT position = 0; position < attributes.cImplTypes; ++position) {
        INT flags = 0;
        if (FAILED(coclass.GetImplTypeFlags(position, &flags)) || (flags & IMPLTYPEFLAG_FSOURCE) != 0)
            continue;
        ComRef<ITypeInfo> const implemented = implementedType(coclass, position);
        if (!implemented)
            continue;
        TypeAttributes const implementedAttributes(*implemented);
        if (implementedAttributes && Guid(implementedAttributes->guid) == iid)
            return true;
    }
    return false;
}

} // namespace

std::shared_ptr<EventInterface const> EventInterface::ofType(Guid const& iid, TypeLibrary& library) {
    if (auto* entry = library.find(iid); entry != nullptr && entry->typeInfo != nullptr && entry->typeAttr != nullptr &&
                                          entry->typeAttr->typekind == TKIND_COCLASS)
        return EventInterface::ofClass(*entry->typeInfo);
    library.loadAll();
    for (auto const& [guid, entry] : library.getEntries()) {
        if (entry.typeInfo == nullptr || entry.typeAttr == nullptr || entry.typeAttr->typekind != TKIND_COCLASS)
            continue;
        if (implements(*entry.typeInfo, *entry.typeAttr, iid))
            if (auto found = EventInterface::ofClass(*entry.typeInfo))
                return found;
    }
    return nullptr;
}

std::shared_ptr<EventInterface const> EventInterface::ofClass(ITypeInfo& coclass) {
    TypeAttributes const attributes(coclass);
    if (!attributes || attributes->typekind != TKIND_COCLASS)
        return nullptr;
    // The default source first, as clients that connect to one interface
    // take it; then any other.
    for (bool const defaultOnly : {true, false}) {
        for (UINT position = 0; position < attributes->cImplTypes; ++position) {
            if (!isSource(coclass, position, defaultOnly))
                continue;
            ComRef<ITypeInfo> typeInfo = implementedType(coclass, position);
            if (typeInfo)
                typeInfo = dispatchSide(std::move(typeInfo));
            if (!typeInfo)
                continue;
            TypeAttributes const sourceAttributes(*typeInfo);
            if (!sourceAttributes)
                continue;
            _bstr_t name;
            typeInfo->GetDocumentation(MEMBERID_NIL, name.GetAddress(), nullptr, nullptr, nullptr);
            IID const iid = sourceAttributes->guid;
            return std::make_shared<EventInterface const>(iid, utf8FromOle(name.GetBSTR()), std::move(typeInfo));
        }
    }
    return nullptr;
}

std::shared_ptr<EventInterface const> EventInterface::of(IDispatch* object, TypeLibrary& library, Cache& cache) {
    if (object == nullptr)
        return nullptr;
    // Objects met at run time name their class themselves.
    ComRef<IProvideClassInfo> provider;
    if (SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(provider.put()))) &&
        provider) {
        ComRef<ITypeInfo> coclass;
        if (SUCCEEDED(provider->GetClassInfo(coclass.put())) && coclass)
            if (auto found = ofClass(*coclass))
                return found;
    }
    Guid const iid = ComHelper::getDispatchGuid(object);
    if (iid.isNull())
        return nullptr;
    auto [entry, inserted] = cache.try_emplace(iid);
    if (inserted)
        entry->second = ofType(iid, library);
    return entry->second;
}

std::optional<DISPID> EventInterface::dispidOf(std::string_view event) const {
    auto text = oleFromUtf8(event);
    LPOLESTR names[] = {text.data()};
    DISPID dispid = DISPID_UNKNOWN;
    if (FAILED(typeInfo->GetIDsOfNames(names, 1, &dispid)))
        return std::nullopt;
    return dispid;
}

std::string EventInterface::nameOf(DISPID dispid) const {
    _bstr_t text;
    if (FAILED(typeInfo->GetDocumentation(dispid, text.GetAddress(), nullptr, nullptr, nullptr)))
        return {};
    return utf8FromOle(text.GetBSTR());
}

} // namespace qor::format::engine::javascript
