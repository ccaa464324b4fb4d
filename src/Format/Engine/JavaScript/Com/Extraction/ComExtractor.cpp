#include "Format/Engine/JavaScript/Com/ComExtractor.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Extraction/ElementType.h"
#include "Platform/Windows/Com/AnsiText.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/OleText.h"
#include "Platform/Windows/Com/ScopedDescription.h"

#include <boost/container/small_vector.hpp>

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::ansiFromOle;
using platform::windows::com::ComRef;
using platform::windows::com::ScopedFuncDesc;
using platform::windows::com::ScopedTypeAttr;
using platform::windows::com::ScopedVarDesc;
using platform::windows::com::utf8FromOle;

constexpr std::uint16_t outRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
// Far deeper than any real interface hierarchy.
constexpr std::size_t maximumInterfaceDepth = 64;

void report(std::string_view message, std::string_view function, std::uint32_t line) {
    assert::Assert::report(message, function, "Format/Engine/JavaScript/Com/ComExtractor", line);
}

// The slots GetNames fills: the member's name, then its parameters' names.
// Most members have few parameters: their slots need no allocation.
class NameSlots {
public:
    explicit NameSlots(std::size_t size) : slots_(size, nullptr) {}
    NameSlots(NameSlots const&) = delete;
    NameSlots& operator=(NameSlots const&) = delete;
    ~NameSlots() {
        for (BSTR slot : slots_)
            SysFreeString(slot);
    }
    BSTR* data() { return slots_.data(); }
    UINT size() const { return static_cast<UINT>(slots_.size()); }
    BSTR at(std::size_t index) const { return index < slots_.size() ? slots_[index] : nullptr; }
    // A slot the type information left empty gives an empty name.
    std::string name(std::size_t index) const { return ansiFromOle(at(index)); }

private:
    boost::container::small_vector<BSTR, 8> slots_;
};

ComParameter makeParameter(ITypeInfo& typeInfo, ELEMDESC const& element, std::string name) {
    std::uint16_t const flags = element.paramdesc.wParamFlags;
    VARIANT none;
    VariantInit(&none);
    VARIANT const* defaultValue = &none;
    if ((flags & PARAMFLAG_FHASDEFAULT) != 0 && element.paramdesc.pparamdescex != nullptr)
        defaultValue = &element.paramdesc.pparamdescex->varDefaultValue;
    VARTYPE elementVt = VT_EMPTY;
    if (element.tdesc.vt == VT_SAFEARRAY && element.tdesc.lptdesc != nullptr)
        elementVt = safeArrayElementType(typeInfo, *element.tdesc.lptdesc);
    return ComParameter(getTypeName(typeInfo, element.tdesc), std::move(name), *defaultValue, flags, element.tdesc.vt,
                        elementVt);
}

// What a method or property get gives: the target of its [out, retval]
// pointer, else its declared result.
void describeValue(ITypeInfo& typeInfo, FUNCDESC const& description, std::size_t declared, ComFunction& function) {
    TYPEDESC const* value = &description.elemdescFunc.tdesc;
    for (std::size_t i = 0; i < declared; ++i) {
        ELEMDESC const& element = description.lprgelemdescParam[i];
        if ((element.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0 && element.tdesc.vt == VT_PTR &&
            element.tdesc.lptdesc != nullptr)
            value = element.tdesc.lptdesc;
    }
    if (value->vt == VT_HRESULT || value->vt == VT_VOID) {
        static TypeName const nothing("VT_VOID");
        function.valueType = nothing;
        function.valueVt = VT_VOID;
        return;
    }
    function.valueType = getTypeName(typeInfo, *value);
    function.valueVt = declaredValueType(typeInfo, *value);
}

void addParameters(ITypeInfo& typeInfo, FUNCDESC const& description, NameSlots const& names, UINT count,
                   std::pmr::memory_resource* tables, ComFunction& function) {
    // A malformed description may claim parameters it does not carry.
    std::size_t const declared = description.lprgelemdescParam == nullptr
                                     ? 0
                                     : static_cast<std::size_t>(std::max<SHORT>(description.cParams, 0));
    ELEMDESC const* elements = description.lprgelemdescParam;
    // Collected aside: the member's record holds them in one allocation.
    boost::container::small_vector<ComParameter, 4> parameters;
    parameters.reserve(declared);
    switch (description.invkind) {
    case INVOKE_FUNC:
        for (std::size_t i = 0; i + 1 < count && i < declared; ++i)
            parameters.push_back(makeParameter(typeInfo, elements[i], names.name(i + 1)));
        function.returnType = getTypeName(typeInfo, description.elemdescFunc.tdesc);
        function.returnVt = description.elemdescFunc.tdesc.vt;
        describeValue(typeInfo, description, declared, function);
        break;
    case INVOKE_PROPERTYGET:
        for (std::size_t j = 1; j <= declared; ++j)
            if (elements[j - 1].paramdesc.wParamFlags != outRetval)
                parameters.push_back(makeParameter(typeInfo, elements[j - 1], names.name(j)));
        describeValue(typeInfo, description, declared, function);
        break;
    case INVOKE_PROPERTYPUT:
        // Named after the property (the member's name, read from the same
        // slot); a put declaring no parameter has none to describe.
        if (declared > 0)
            parameters.push_back(makeParameter(typeInfo, elements[0], names.at(0) != nullptr ? function.name : ""));
        break;
    default:
        break;
    }
    function.parameters = ComParameters(std::make_move_iterator(parameters.begin()), parameters.size(), tables);
}

bool isDispatchable(TYPEATTR const& attributes) {
    return attributes.typekind == TKIND_DISPATCH || (attributes.wTypeFlags & TYPEFLAG_FDISPATCHABLE) != 0;
}

} // namespace

// The members each type declares itself, and what the walk reads of its
// attributes, taken once however many types of one extraction reach it.
// Keyed by the type information object, which a library hands out once per
// type; the references kept stop an address from being reused while the
// extraction runs. The runs are made in `tables` when given.
class InterfaceRuns {
public:
    explicit InterfaceRuns(std::pmr::memory_resource* tables = nullptr) : tables_(tables) {}

    struct Shape {
        Guid guid;
        WORD implTypes;
        WORD functions;
        // Objects answer it as an IDispatch: a dispatch or dual interface.
        bool dispatchable;
    };

    // Empty when the attributes cannot be read.
    std::optional<Shape> const& shapeOf(ITypeInfo& typeInfo) {
        Known& known = knownOf(typeInfo);
        if (!known.shapeRead) {
            known.shapeRead = true;
            TYPEATTR* attributes = nullptr;
            if (SUCCEEDED(typeInfo.GetTypeAttr(&attributes)) && attributes != nullptr) {
                ScopedTypeAttr const scoped(typeInfo, attributes);
                known.shape =
                    Shape{Guid((*scoped).guid), (*scoped).cImplTypes, (*scoped).cFuncs, isDispatchable(*scoped)};
            }
        }
        return known.shape;
    }

    ComMembers::Run const& of(ITypeInfo& typeInfo, UINT count) {
        Known& known = knownOf(typeInfo);
        if (known.runMade)
            return known.run;
        known.runMade = true;
        std::vector<ComFunction> members;
        members.reserve(count);
        for (UINT index = 0; index < count; ++index)
            if (auto member = extractComFunction(typeInfo, index, tables_))
                members.push_back(std::move(*member));
        known.run = ComMembers::Run(std::make_move_iterator(members.begin()), members.size(), tables_);
        return known.run;
    }

private:
    struct Known {
        bool shapeRead = false;
        std::optional<Shape> shape;
        bool runMade = false;
        ComMembers::Run run;
    };

    Known& knownOf(ITypeInfo& typeInfo) {
        auto [found, added] = known_.try_emplace(&typeInfo);
        if (added) {
            typeInfo.AddRef();
            kept_.emplace_back(&typeInfo);
        }
        return found->second;
    }

    std::pmr::memory_resource* tables_;
    std::unordered_map<ITypeInfo*, Known> known_;
    std::vector<ComRef<ITypeInfo>> kept_;
};

namespace {

struct Walk {
    ComClass& comClass;
    InterfaceRuns& runs;
    // The interfaces from the type down to the current one.
    std::vector<Guid> chain;
};

void addInterfaces(ITypeInfo& typeInfo, std::uint16_t first, std::uint16_t end, Walk& walk);

// What an implemented type is to the type implementing it, once read.
struct ImplementedType {
    std::optional<INT> flags;
    // The type's identifier when objects answer it as an IDispatch (a
    // dispatch or dual interface); nil otherwise.
    Guid dispatchable;
};

// The members one implemented type contributes, its bases first.
ImplementedType addInterface(ITypeInfo& typeInfo, std::uint16_t position, Walk& walk) {
    constexpr std::string_view function = "addInterfacesRecursiv";
    ImplementedType implemented;
    HREFTYPE reference = 0;
    if (FAILED(typeInfo.GetRefTypeOfImplType(position, &reference))) {
        report("GetRefTypeOfImplType() failed", function, __LINE__);
        return implemented;
    }
    ComRef<ITypeInfo> referenced;
    if (FAILED(typeInfo.GetRefTypeInfo(reference, referenced.put())) || !referenced) {
        report("GetRefTypeInfo() failed", function, __LINE__);
        return implemented;
    }
    INT flags = 0;
    if (FAILED(typeInfo.GetImplTypeFlags(position, &flags))) {
        report("GetImplTypeFlags() failed", function, __LINE__);
        flags = 0;
    }
    implemented.flags = flags;
    if ((flags & IMPLTYPEFLAG_FRESTRICTED) != 0)
        report("The member should not be displayed or programmable by users.", function, __LINE__);
    if ((flags & IMPLTYPEFLAG_FSOURCE) != 0)
        return implemented;
    std::optional<InterfaceRuns::Shape> const& shape = walk.runs.shapeOf(*referenced);
    if (!shape) {
        report("GetTypeAttr() failed", function, __LINE__);
        return implemented;
    }
    // A damaged library may make an interface its own base; following that
    // would never end. Types without an identifier are caught by the depth.
    Guid const guid = shape->guid;
    std::vector<Guid>& chain = walk.chain;
    if (chain.size() >= maximumInterfaceDepth ||
        (!guid.isNull() && std::find(chain.begin(), chain.end(), guid) != chain.end()))
        return implemented;
    chain.push_back(guid);
    addInterfaces(*referenced, 0, shape->implTypes, walk);
    chain.pop_back();
    walk.comClass.functions.append(walk.runs.of(*referenced, shape->functions));
    if (shape->dispatchable)
        implemented.dispatchable = guid;
    return implemented;
}

void addInterfaces(ITypeInfo& typeInfo, std::uint16_t first, std::uint16_t end, Walk& walk) {
    for (std::uint16_t position = end; position > first; --position)
        addInterface(typeInfo, static_cast<std::uint16_t>(position - 1), walk);
}

// One implemented type of a coclass and the runs of members it added.
struct AddedInterface {
    ImplementedType type;
    std::size_t first;
    std::size_t end;
};

// The coclass's default interface: the one marked [default] that is no
// event source, else the first that is none.
AddedInterface const* defaultInterface(std::vector<AddedInterface> const& byPosition) {
    auto const incoming = [](AddedInterface const& added) {
        return added.type.flags && (*added.type.flags & IMPLTYPEFLAG_FSOURCE) == 0;
    };
    auto found = std::ranges::find_if(byPosition, [&](AddedInterface const& added) {
        return incoming(added) && (*added.type.flags & IMPLTYPEFLAG_FDEFAULT) != 0;
    });
    if (found == byPosition.end())
        found = std::ranges::find_if(byPosition, incoming);
    return found == byPosition.end() ? nullptr : &*found;
}

// As addInterfaces, for all of a coclass's interfaces; the runs of every one
// but the default interface learn, for this class alone, the interface their
// members are called through.
void addCoclassInterfaces(ITypeInfo& coclass, std::uint16_t count, Walk& walk) {
    ComMembers& functions = walk.comClass.functions;
    std::vector<AddedInterface> byPosition(count);
    for (std::uint16_t position = count; position > 0; --position) {
        AddedInterface& added = byPosition[position - 1];
        added.first = functions.runs().size();
        added.type = addInterface(coclass, static_cast<std::uint16_t>(position - 1), walk);
        added.end = functions.runs().size();
    }
    AddedInterface const* const defaultOne = defaultInterface(byPosition);
    for (AddedInterface const& added : byPosition)
        if (&added != defaultOne)
            functions.callThrough(added.first, added.end, added.type.dispatchable);
}

// The type's constants; variables of another kind (a record's fields, a
// dispatch interface's properties) and any that cannot be read are left out.
void addConstants(ITypeInfo& typeInfo, UINT count, ComClass& comClass) {
    for (UINT index = 0; index < count; ++index) {
        VARDESC* raw = nullptr;
        if (FAILED(typeInfo.GetVarDesc(index, &raw)) || raw == nullptr)
            continue;
        ScopedVarDesc const description(typeInfo, raw);
        if ((*description).varkind != VAR_CONST || (*description).lpvarValue == nullptr)
            continue;
        _bstr_t name;
        if (FAILED(typeInfo.GetDocumentation((*description).memid, name.GetAddress(), nullptr, nullptr, nullptr)))
            continue;
        comClass.constants.push_back(ComConstant{ansiFromOle(name.GetBSTR()), _variant_t(*(*description).lpvarValue)});
    }
}

} // namespace

std::expected<ComFunction, HRESULT> extractComFunction(ITypeInfo& typeInfo, std::uint32_t index,
                                                       std::pmr::memory_resource* tables) {
    constexpr std::string_view function = "extractComFunction";
    FUNCDESC* raw = nullptr;
    HRESULT result = typeInfo.GetFuncDesc(index, &raw);
    if (FAILED(result) || raw == nullptr) {
        report("GetFuncDesc() failed.", function, __LINE__);
        return std::unexpected(FAILED(result) ? result : E_POINTER);
    }
    ScopedFuncDesc const description(typeInfo, raw);
    ComFunction member;
    member.memberId = (*description).memid;
    member.invokeKind = (*description).invkind;

    // The member's own name comes first among its names: one call reads
    // them all. Its documentation is asked only where they hold no name.
    NameSlots names(static_cast<std::size_t>(std::max<SHORT>((*description).cParams, 0)) + 1);
    UINT count = 0;
    if (FAILED(typeInfo.GetNames(member.memberId, names.data(), names.size(), &count))) {
        report("GetNames() failed.", function, __LINE__);
        count = 0;
    }
    count = std::min(count, names.size());
    if (count > 0 && names.at(0) != nullptr) {
        member.name = names.name(0);
    } else {
        _bstr_t memberName;
        result = typeInfo.GetDocumentation(member.memberId, memberName.GetAddress(), nullptr, nullptr, nullptr);
        if (FAILED(result)) {
            report("GetDocumentation() failed.", function, __LINE__);
            return std::unexpected(result);
        }
        member.name = ansiFromOle(memberName.GetBSTR());
    }
    addParameters(typeInfo, *description, names, count, tables, member);
    return member;
}

void addInterfacesRecursiv(ITypeInfo& typeInfo, std::uint16_t first, std::uint16_t end, ComClass& comClass) {
    InterfaceRuns runs;
    Walk walk{comClass, runs, {}};
    addInterfaces(typeInfo, first, end, walk);
}

ComClass buildComClass(ITypeInfo& typeInfo, TYPEATTR const& attributes, std::string name, Guid const& guid,
                       InterfaceRuns& runs) {
    ComClass comClass{std::move(name), {}, guid};
    Walk walk{comClass, runs, {Guid(attributes.guid)}};
    if (attributes.typekind == TKIND_COCLASS)
        addCoclassInterfaces(typeInfo, attributes.cImplTypes, walk);
    else
        addInterfaces(typeInfo, 0, attributes.cImplTypes, walk);
    comClass.functions.append(runs.of(typeInfo, attributes.cFuncs));
    addConstants(typeInfo, attributes.cVars, comClass);
    return comClass;
}

ComClass buildComClass(ITypeInfo& typeInfo, TYPEATTR const& attributes, std::string name, Guid const& guid) {
    InterfaceRuns runs;
    return buildComClass(typeInfo, attributes, std::move(name), guid, runs);
}

namespace {

ComClass extractComClass(TypeInfoAndAttribute& entry, Guid const& guid, InterfaceRuns& runs) {
    _bstr_t name;
    // Unnamed types get an empty name, so the result code tells nothing more.
    if (entry.typeLib != nullptr)
        entry.typeLib->GetDocumentation(static_cast<INT>(entry.index), name.GetAddress(), nullptr, nullptr, nullptr);
    if (entry.typeInfo == nullptr || entry.typeAttr == nullptr)
        return ComClass{utf8FromOle(name.GetBSTR()), {}, guid};
    return buildComClass(*entry.typeInfo, *entry.typeAttr, utf8FromOle(name.GetBSTR()), guid, runs);
}

} // namespace

ComClass extractComClass(TypeInfoAndAttribute& entry, Guid const& guid) {
    InterfaceRuns runs;
    return extractComClass(entry, guid, runs);
}

std::size_t expectedRecordBytes(TypeLibrary& typeLibrary) {
    // A member's record and its parameters', and the records of the classes
    // that reach it, take about 200 bytes.
    constexpr std::size_t bytesPerMember = 256;
    typeLibrary.loadAll();
    std::size_t members = 0;
    for (auto const& [guid, entry] : typeLibrary.getEntries())
        if (entry.typeAttr != nullptr)
            members += entry.typeAttr->cFuncs;
    return members * bytesPerMember;
}

ComExtract extractRegisteredComComponents(TypeLibrary& typeLibrary, std::pmr::memory_resource* tables) {
    ComExtract extract;
    typeLibrary.loadAll();
    std::vector<Guid> guids;
    guids.reserve(typeLibrary.getEntries().size());
    for (auto const& [guid, entry] : typeLibrary.getEntries())
        guids.push_back(guid);
    extract.classes.reserve(guids.size());
    InterfaceRuns runs(tables);
    for (Guid const& guid : guids) {
        if (TypeInfoAndAttribute* entry = typeLibrary.find(guid))
            extract.classes.push_back(extractComClass(*entry, guid, runs));
        else
            report("typelibrary.boLoad failed.", "qor::format::engine::javascript::extractRegisteredComComponents",
                   __LINE__);
    }
    return extract;
}

std::optional<ComClass> extractComClassFromDispatch(IDispatch& object) {
    ComRef<ITypeInfo> typeInfo;
    object.GetTypeInfo(0, 0, typeInfo.put());
    if (!typeInfo)
        return std::nullopt;
    TYPEATTR* attributes = nullptr;
    typeInfo->GetTypeAttr(&attributes);
    if (attributes == nullptr)
        return std::nullopt;
    ScopedTypeAttr const scoped(*typeInfo, attributes);
    _bstr_t name;
    typeInfo->GetDocumentation(MEMBERID_NIL, name.GetAddress(), nullptr, nullptr, nullptr);
    return buildComClass(*typeInfo, *scoped, utf8FromOle(name.GetBSTR()), Guid((*scoped).guid));
}

} // namespace qor::format::engine::javascript
