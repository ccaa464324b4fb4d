// libFuzzer target: any bytes given to the type-library reader, then every
// description of what it accepted, walked as a client would.

#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibLoader.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

using qor::platform::posix::ole::loadTypeLibImage;

void walkType(ITypeInfo* info, TYPEDESC const& type, int depth) {
    if (depth > 40)
        return;
    if ((type.vt == VT_PTR || type.vt == VT_SAFEARRAY) && type.lptdesc != nullptr)
        walkType(info, *type.lptdesc, depth + 1);
    if (type.vt == VT_CARRAY && type.lpadesc != nullptr)
        walkType(info, type.lpadesc->tdescElem, depth + 1);
    if (type.vt == VT_USERDEFINED) {
        ITypeInfo* target = nullptr;
        if (SUCCEEDED(info->GetRefTypeInfo(type.hreftype, &target))) {
            TYPEATTR* attr = nullptr;
            target->GetTypeAttr(&attr);
            target->Release();
        }
    }
}

void walkNames(ITypeInfo* info, MEMBERID memid) {
    BSTR names[8] = {};
    UINT count = 0;
    if (SUCCEEDED(info->GetNames(memid, names, 8, &count)))
        for (UINT i = 0; i < count; ++i)
            SysFreeString(names[i]);
    BSTR name = nullptr, doc = nullptr, help = nullptr;
    info->GetDocumentation(memid, &name, &doc, nullptr, &help);
    if (name != nullptr) {
        MEMBERID id = 0;
        info->GetIDsOfNames(&name, 1, &id);
    }
    SysFreeString(name);
    SysFreeString(doc);
    SysFreeString(help);
}

void walkTypeInfo(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)))
        return;
    walkType(info, attr->tdescAlias, 0);
    walkNames(info, MEMBERID_NIL);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f)))
            continue;
        walkType(info, f->elemdescFunc.tdesc, 0);
        for (SHORT p = 0; p < f->cParams; ++p)
            walkType(info, f->lprgelemdescParam[p].tdesc, 0);
        walkNames(info, f->memid);
        BSTR dll = nullptr, entry = nullptr;
        WORD ordinal = 0;
        info->GetDllEntry(f->memid, f->invkind, &dll, &entry, &ordinal);
        SysFreeString(dll);
        SysFreeString(entry);
        info->ReleaseFuncDesc(f);
    }
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* v = nullptr;
        if (FAILED(info->GetVarDesc(i, &v)))
            continue;
        walkType(info, v->elemdescVar.tdesc, 0);
        walkNames(info, v->memid);
        info->ReleaseVarDesc(v);
    }
    for (UINT i = 0; i <= attr->cImplTypes; ++i) {
        HREFTYPE href = 0;
        INT flags = 0;
        UINT const index = i == attr->cImplTypes ? static_cast<UINT>(-1) : i;
        info->GetImplTypeFlags(index, &flags);
        if (FAILED(info->GetRefTypeOfImplType(index, &href)))
            continue;
        ITypeInfo* target = nullptr;
        if (SUCCEEDED(info->GetRefTypeInfo(href, &target))) {
            TYPEATTR* targetAttr = nullptr;
            target->GetTypeAttr(&targetAttr);
            target->Release();
        }
    }
    info->ReleaseTypeAttr(attr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    auto loaded = loadTypeLibImage(std::as_bytes(std::span(data, size)), "/nonexistent-qor-fuzz");
    if (!loaded)
        return 0;
    ITypeLib* lib = *loaded;
    TLIBATTR* libAttr = nullptr;
    if (SUCCEEDED(lib->GetLibAttr(&libAttr)))
        lib->ReleaseTLibAttr(libAttr);
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ITypeInfo* info = nullptr;
        if (SUCCEEDED(lib->GetTypeInfo(i, &info))) {
            walkTypeInfo(info);
            info->Release();
        }
    }
    char16_t name[] = u"Add";
    BOOL found = FALSE;
    lib->IsName(name, 0, &found);
    lib->Release();
    return 0;
}
