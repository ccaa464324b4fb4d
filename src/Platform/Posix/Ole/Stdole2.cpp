#include "Platform/Posix/Ole/Stdole2.h"

#include <initializer_list>

namespace qor::platform::posix::ole {
namespace {

// VARTYPEs and flags, spelled out here because this file builds plain
// records and does not see the COM headers.
enum : std::uint16_t {
    vtVoid = 24, vtHresult = 25, vtPtr = 26, vtCArray = 28, vtUserDefined = 29,
    vtI1 = 16, vtUI1 = 17, vtUI2 = 18, vtUI4 = 19, vtI4 = 3, vtUint = 23, vtBstr = 8,
    vtVariant = 12, vtScode = 10,
};
enum : std::uint16_t { paramIn = 1, paramOut = 2 };
enum : std::uint8_t { tkindRecord = 1, tkindInterface = 3 };
constexpr std::uint16_t funcRestricted = 1;
constexpr std::uint16_t typeHidden = 0x10;
constexpr std::uint16_t typeRestricted = 0x200;
constexpr std::int32_t memberIdBase = 0x40000000;

enum TypePosition : std::size_t { guidType, dispParamsType, excepInfoType, unknownType, dispatchType, enumVariantType };

constexpr Guid iidUnknown{0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid iidDispatch{0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid iidEnumVariant{0x00020404, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class Builder {
public:
    TypeIndex simple(std::uint16_t vt) { return add({vt, 0, 0, {}}); }
    TypeIndex pointer(TypeIndex to) { return add({vtPtr, to, 0, {}}); }
    TypeIndex user(TypePosition position) {
        return add({vtUserDefined, 0, TypeLibRecord::hrefOfIndex(position), {}});
    }
    TypeIndex array(TypeIndex of, std::uint32_t elements) { return add({vtCArray, of, 0, {{elements, 0}}}); }

    static ParamRecord param(char const* name, TypeIndex type, std::uint16_t flags) {
        ParamRecord p;
        p.name = name;
        p.type = type;
        p.flags = flags;
        return p;
    }

    void method(TypeInfoRecord& info, char const* name, std::int32_t memberId, TypeIndex result,
                std::uint16_t flags, std::initializer_list<ParamRecord> params) {
        FuncRecord f;
        f.memberId = memberId;
        f.name = name;
        f.returnType = result;
        f.funcFlags = flags;
        f.funcKind = 1;   // FUNC_PUREVIRTUAL
        f.invokeKind = 1; // INVOKE_FUNC
        f.callConv = 4;   // CC_STDCALL
        f.vtableSlot = static_cast<std::int16_t>(info.funcs.size() + (info.implTypes.empty() ? 0 : 3));
        f.params = params;
        info.funcs.push_back(std::move(f));
    }

    static void field(TypeInfoRecord& info, char const* name, TypeIndex type, std::int32_t offset) {
        VarRecord v;
        v.memberId = memberIdBase + static_cast<std::int32_t>(info.vars.size());
        v.name = name;
        v.type = type;
        v.instanceOffset = offset;
        info.vars.push_back(std::move(v));
    }

    TypeLibRecord lib;

private:
    TypeIndex add(TypeNode node) {
        lib.types.push_back(std::move(node));
        return static_cast<TypeIndex>(lib.types.size() - 1);
    }
};

TypeInfoRecord typeRecord(char const* name, std::uint8_t kind, Guid guid, std::uint16_t flags, std::int32_t size,
                          std::uint16_t alignment) {
    TypeInfoRecord t;
    t.name = name;
    t.kind = kind;
    t.guid = guid;
    t.typeFlags = flags;
    t.sizeInstance = size;
    t.alignment = alignment;
    return t;
}

void addRecords(Builder& b) {
    TypeInfoRecord guid = typeRecord("GUID", tkindRecord, {}, 0, 16, 4);
    Builder::field(guid, "Data1", b.simple(vtUI4), 0);
    Builder::field(guid, "Data2", b.simple(vtUI2), 4);
    Builder::field(guid, "Data3", b.simple(vtUI2), 6);
    Builder::field(guid, "Data4", b.array(b.simple(vtUI1), 8), 8);

    TypeInfoRecord params = typeRecord("DISPPARAMS", tkindRecord, {}, 0, 24, 8);
    Builder::field(params, "rgvarg", b.pointer(b.simple(vtVariant)), 0);
    Builder::field(params, "rgdispidNamedArgs", b.pointer(b.simple(vtI4)), 8);
    Builder::field(params, "cArgs", b.simple(vtUint), 16);
    Builder::field(params, "cNamedArgs", b.simple(vtUint), 20);

    TypeInfoRecord excep = typeRecord("EXCEPINFO", tkindRecord, {}, 0, 64, 8);
    Builder::field(excep, "wCode", b.simple(vtUI2), 0);
    Builder::field(excep, "wReserved", b.simple(vtUI2), 2);
    Builder::field(excep, "bstrSource", b.simple(vtBstr), 8);
    Builder::field(excep, "bstrDescription", b.simple(vtBstr), 16);
    Builder::field(excep, "bstrHelpFile", b.simple(vtBstr), 24);
    Builder::field(excep, "dwHelpContext", b.simple(vtUI4), 32);
    Builder::field(excep, "pvReserved", b.pointer(b.simple(vtVoid)), 40);
    Builder::field(excep, "pfnDeferredFillIn", b.pointer(b.simple(vtVoid)), 48);
    Builder::field(excep, "scode", b.simple(vtScode), 56);

    b.lib.typeInfos.push_back(std::move(guid));
    b.lib.typeInfos.push_back(std::move(params));
    b.lib.typeInfos.push_back(std::move(excep));
}

void addUnknown(Builder& b) {
    TypeInfoRecord t = typeRecord("IUnknown", tkindInterface, iidUnknown, typeHidden, 8, 8);
    TypeIndex const hresult = b.simple(vtHresult);
    TypeIndex const ulong = b.simple(vtUI4);
    b.method(t, "QueryInterface", 0x60000000, hresult, funcRestricted,
             {Builder::param("riid", b.pointer(b.user(guidType)), paramIn),
              Builder::param("ppvObj", b.pointer(b.pointer(b.simple(vtVoid))), paramOut)});
    b.method(t, "AddRef", 0x60000001, ulong, funcRestricted, {});
    b.method(t, "Release", 0x60000002, ulong, funcRestricted, {});
    t.vtableSlots = 3;
    b.lib.typeInfos.push_back(std::move(t));
}

void addDispatch(Builder& b) {
    TypeInfoRecord t = typeRecord("IDispatch", tkindInterface, iidDispatch, typeRestricted, 8, 8);
    t.implTypes.push_back({TypeLibRecord::hrefOfIndex(unknownType), 0, {}});
    TypeIndex const hresult = b.simple(vtHresult);
    TypeIndex const uintType = b.simple(vtUint);
    TypeIndex const ulong = b.simple(vtUI4);
    TypeIndex const riid = b.pointer(b.user(guidType));
    b.method(t, "GetTypeInfoCount", 0x60010000, hresult, funcRestricted,
             {Builder::param("pctinfo", b.pointer(uintType), paramOut)});
    b.method(t, "GetTypeInfo", 0x60010001, hresult, funcRestricted,
             {Builder::param("itinfo", uintType, paramIn), Builder::param("lcid", ulong, paramIn),
              Builder::param("pptinfo", b.pointer(b.pointer(b.simple(vtVoid))), paramOut)});
    b.method(t, "GetIDsOfNames", 0x60010002, hresult, funcRestricted,
             {Builder::param("riid", riid, paramIn),
              Builder::param("rgszNames", b.pointer(b.pointer(b.simple(vtI1))), paramIn),
              Builder::param("cNames", uintType, paramIn), Builder::param("lcid", ulong, paramIn),
              Builder::param("rgdispid", b.pointer(b.simple(vtI4)), paramOut)});
    b.method(t, "Invoke", 0x60010003, hresult, funcRestricted,
             {Builder::param("dispidMember", b.simple(vtI4), paramIn), Builder::param("riid", riid, paramIn),
              Builder::param("lcid", ulong, paramIn), Builder::param("wFlags", b.simple(vtUI2), paramIn),
              Builder::param("pdispparams", b.pointer(b.user(dispParamsType)), paramIn),
              Builder::param("pvarResult", b.pointer(b.simple(vtVariant)), paramOut),
              Builder::param("pexcepinfo", b.pointer(b.user(excepInfoType)), paramOut),
              Builder::param("puArgErr", b.pointer(uintType), paramOut)});
    t.vtableSlots = 7;
    b.lib.typeInfos.push_back(std::move(t));
}

void addEnumVariant(Builder& b) {
    TypeInfoRecord t = typeRecord("IEnumVARIANT", tkindInterface, iidEnumVariant, typeHidden, 8, 8);
    t.implTypes.push_back({TypeLibRecord::hrefOfIndex(unknownType), 0, {}});
    TypeIndex const hresult = b.simple(vtHresult);
    TypeIndex const ulong = b.simple(vtUI4);
    b.method(t, "Next", 0x60010000, hresult, 0,
             {Builder::param("celt", ulong, paramIn),
              Builder::param("rgvar", b.pointer(b.simple(vtVariant)), paramIn),
              Builder::param("pceltFetched", b.pointer(ulong), paramOut)});
    b.method(t, "Skip", 0x60010001, hresult, 0, {Builder::param("celt", ulong, paramIn)});
    b.method(t, "Reset", 0x60010002, hresult, 0, {});
    b.method(t, "Clone", 0x60010003, hresult, 0,
             {Builder::param("ppenum", b.pointer(b.pointer(b.user(enumVariantType))), paramOut)});
    t.vtableSlots = 7;
    b.lib.typeInfos.push_back(std::move(t));
}

TypeLibRecord build() {
    Builder b;
    b.lib.guid = stdole2LibraryId;
    b.lib.name = "stdole";
    b.lib.docString = "OLE Automation";
    b.lib.sysKind = 3; // SYS_WIN64
    b.lib.majorVersion = 2;
    b.lib.minorVersion = 0;
    b.lib.dispatchHref = TypeLibRecord::hrefOfIndex(dispatchType);
    addRecords(b);
    addUnknown(b);
    addDispatch(b);
    addEnumVariant(b);
    return std::move(b.lib);
}

} // namespace

TypeLibRecord const& stdole2Record() {
    static TypeLibRecord const record = build();
    return record;
}

} // namespace qor::platform::posix::ole
