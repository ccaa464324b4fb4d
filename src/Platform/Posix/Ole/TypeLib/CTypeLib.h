#pragma once

#include "Platform/Posix/Ole/Ole.h"
#include "Platform/Posix/Ole/TypeLib/TableMemory.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibRecord.h"

#include <atomic>
#include <deque>
#include <filesystem>
#include <memory>
#include <vector>

namespace qor::platform::posix::ole {

class CTypeInfo;

// ITypeLib served from the records of one library. Its type infos live as
// long as it does and share its reference count, so a type info handed out
// keeps the library (and what the library imports) alive. Descriptions and
// imports are built on first use without locks: like the rest of the
// system, a library is used by one thread at a time. It is its own
// ITypeComp, which binds the names of its modules and enumerations.
class CTypeLib final : public ITypeLib2, public ITypeComp {
public:
    // Returns the library with one reference. `directory` is where the
    // library's own imports are looked for.
    static CTypeLib* create(std::shared_ptr<TypeLibRecord const> record, std::filesystem::path directory);

    CTypeLib(CTypeLib const&) = delete;
    CTypeLib& operator=(CTypeLib const&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP_(UINT) GetTypeInfoCount() override;
    STDMETHODIMP GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetTypeInfoType(UINT index, TYPEKIND* pTKind) override;
    STDMETHODIMP GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override;
    STDMETHODIMP GetLibAttr(TLIBATTR** ppTLibAttr) override;
    STDMETHODIMP GetTypeComp(ITypeComp** ppTComp) override;
    STDMETHODIMP GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                  BSTR* pBstrHelpFile) override;
    STDMETHODIMP IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) override;
    STDMETHODIMP FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                          USHORT* pcFound) override;
    STDMETHODIMP_(void) ReleaseTLibAttr(TLIBATTR* pTLibAttr) override;

    // ITypeLib2 (TypeLib2.cpp)
    STDMETHODIMP GetCustData(REFGUID guid, VARIANT* pVarVal) override;
    STDMETHODIMP GetLibStatistics(ULONG* pcUniqueNames, ULONG* pcchUniqueNames) override;
    STDMETHODIMP GetDocumentation2(INT index, LCID lcid, BSTR* pbstrHelpString, DWORD* pdwHelpStringContext,
                                   BSTR* pbstrHelpStringDll) override;
    STDMETHODIMP GetAllCustData(CUSTDATA* pCustData) override;

    // ITypeComp (TypeComp.cpp)
    STDMETHODIMP Bind(LPOLESTR szName, ULONG lHashVal, WORD wFlags, ITypeInfo** ppTInfo, DESCKIND* pDescKind,
                      BINDPTR* pBindPtr) override;
    STDMETHODIMP BindType(LPOLESTR szName, ULONG lHashVal, ITypeInfo** ppTInfo, ITypeComp** ppTComp) override;

    TypeLibRecord const& record() const { return *record_; }
    CTypeInfo& typeInfo(std::size_t index) { return *infos_[index]; }
    // The vtable side of a dual interface, whose stored side is its dispatch view.
    CTypeInfo* dualInterface(std::size_t index) { return dualInterfaces_[index].get(); }
    // Where the type infos keep their descriptions.
    std::pmr::memory_resource& tables() { return tables_; }

    // The automation form of a stored type; the pointers inside stay valid as
    // long as the library lives.
    TYPEDESC typeDesc(TypeIndex index);
    // A type this library refers to, here or in a library it imports.
    HRESULT resolveHref(HREFTYPE href, CTypeInfo** result);
    // A type of stdole2: of the library's import of it, else the built-in one.
    HRESULT stdoleType(GUID const& guid, CTypeInfo** result);

private:
    CTypeLib(std::shared_ptr<TypeLibRecord const> record, std::filesystem::path directory);
    ~CTypeLib();
    HRESULT importedLib(std::size_t index, CTypeLib** result);
    ARRAYDESC* arrayDesc(TypeNode const& node);

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<TypeLibRecord const> record_;
    std::filesystem::path directory_;
    TableMemory tables_; // outlives the type infos
    std::vector<std::unique_ptr<CTypeInfo>> infos_;
    std::vector<std::unique_ptr<CTypeInfo>> dualInterfaces_;
    std::vector<CTypeLib*> imports_; // loaded when first needed, one reference each
    CTypeLib* stdole_ = nullptr;     // for a library that does not import it; one reference
    std::vector<TYPEDESC*> typeDescs_; // by TypeIndex, built when first needed
    std::deque<TYPEDESC> typeDescStore_;
    std::deque<std::unique_ptr<std::byte[]>> arrayDescStore_;
};

} // namespace qor::platform::posix::ole
