#pragma once

// gmock doubles of ITypeInfo and ITypeLib that count their references, for
// tests that need a type description the fixtures cannot give (a failing
// call, a malformed description) or that watch who releases what.

#include "Support/CountedObject.h"

#include <gmock/gmock.h>

namespace qor::test {

class MockTypeInfo : public CountedObject<ITypeInfo> {
public:
    MOCK_METHOD(HRESULT, GetTypeAttr, (TYPEATTR**), (override));
    MOCK_METHOD(HRESULT, GetTypeComp, (ITypeComp**), (override));
    MOCK_METHOD(HRESULT, GetFuncDesc, (UINT, FUNCDESC**), (override));
    MOCK_METHOD(HRESULT, GetVarDesc, (UINT, VARDESC**), (override));
    MOCK_METHOD(HRESULT, GetNames, (MEMBERID, BSTR*, UINT, UINT*), (override));
    MOCK_METHOD(HRESULT, GetRefTypeOfImplType, (UINT, HREFTYPE*), (override));
    MOCK_METHOD(HRESULT, GetImplTypeFlags, (UINT, INT*), (override));
    MOCK_METHOD(HRESULT, GetIDsOfNames, (LPOLESTR*, UINT, MEMBERID*), (override));
    MOCK_METHOD(HRESULT, Invoke, (PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*), (override));
    MOCK_METHOD(HRESULT, GetDocumentation, (MEMBERID, BSTR*, BSTR*, DWORD*, BSTR*), (override));
    MOCK_METHOD(HRESULT, GetDllEntry, (MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*), (override));
    MOCK_METHOD(HRESULT, GetRefTypeInfo, (HREFTYPE, ITypeInfo**), (override));
    MOCK_METHOD(HRESULT, AddressOfMember, (MEMBERID, INVOKEKIND, PVOID*), (override));
    MOCK_METHOD(HRESULT, CreateInstance, (IUnknown*, REFIID, PVOID*), (override));
    MOCK_METHOD(HRESULT, GetMops, (MEMBERID, BSTR*), (override));
    MOCK_METHOD(HRESULT, GetContainingTypeLib, (ITypeLib**, UINT*), (override));
    MOCK_METHOD(void, ReleaseTypeAttr, (TYPEATTR*), (override));
    MOCK_METHOD(void, ReleaseFuncDesc, (FUNCDESC*), (override));
    MOCK_METHOD(void, ReleaseVarDesc, (VARDESC*), (override));

    ITypeInfo* pointer() { return this; }
};

class MockTypeLib : public CountedObject<ITypeLib> {
public:
    MOCK_METHOD(UINT, GetTypeInfoCount, (), (override));
    MOCK_METHOD(HRESULT, GetTypeInfo, (UINT, ITypeInfo**), (override));
    MOCK_METHOD(HRESULT, GetTypeInfoType, (UINT, TYPEKIND*), (override));
    MOCK_METHOD(HRESULT, GetTypeInfoOfGuid, (REFGUID, ITypeInfo**), (override));
    MOCK_METHOD(HRESULT, GetLibAttr, (TLIBATTR**), (override));
    MOCK_METHOD(HRESULT, GetTypeComp, (ITypeComp**), (override));
    MOCK_METHOD(HRESULT, GetDocumentation, (INT, BSTR*, BSTR*, DWORD*, BSTR*), (override));
    MOCK_METHOD(HRESULT, IsName, (LPOLESTR, ULONG, BOOL*), (override));
    MOCK_METHOD(HRESULT, FindName, (LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*), (override));
    MOCK_METHOD(void, ReleaseTLibAttr, (TLIBATTR*), (override));

    ITypeLib* pointer() { return this; }
};

// Hands `object` out through an out-place with a reference, as COM does.
template <class Interface>
auto handOut(Interface* object) {
    return [object](auto, Interface** out) {
        object->AddRef();
        *out = object;
        return S_OK;
    };
}

// A BSTR copy of `text` for an out-place of GetDocumentation and the like.
inline auto nameOut(OLECHAR const* text) {
    return [text](auto, BSTR* name, BSTR*, DWORD*, BSTR*) {
        if (name != nullptr)
            *name = SysAllocString(text);
        return S_OK;
    };
}

} // namespace qor::test
