#pragma once

#include "Platform/Posix/Ole/Ole.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibRecord.h"

#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor::platform::posix::ole {

class CTypeLib;
class InvokePlan;

// ITypeInfo of one type of a CTypeLib. A dual interface has two: the stored
// dispatch view, listing every member of its vtable in automation form, and
// the vtable side (GetRefTypeOfImplType(-1)) whose members are called. It is
// its own ITypeComp, which binds names to its members.
class CTypeInfo final : public ITypeInfo2, public ITypeComp {
public:
    enum class Side { stored, dualInterface };

    // One function as presented, with the form in which it is called. Its
    // parameters are the type info's own, or, in a dispatch view, those of
    // the function it presents, which live as long as this library.
    struct Function {
        FUNCDESC desc{};
        FUNCDESC const* call = nullptr; // the vtable form (== &desc unless a dispatch view)
        CTypeInfo* owner = nullptr;     // the type declaring it, which resolves its types
        FuncRecord const* record = nullptr;
        // The library of `record`, which holds its texts and parameters.
        TypeLibRecord const& library() const;
    };

    // Bases deeper than this can only be a cycle in a malformed library.
    static constexpr int maxBaseDepth = 64;

    CTypeInfo(CTypeLib& lib, std::size_t index, Side side);
    ~CTypeInfo();
    CTypeInfo(CTypeInfo const&) = delete;
    CTypeInfo& operator=(CTypeInfo const&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeAttr(TYPEATTR** ppTypeAttr) override;
    STDMETHODIMP GetTypeComp(ITypeComp** ppTComp) override;
    STDMETHODIMP GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
    STDMETHODIMP GetVarDesc(UINT index, VARDESC** ppVarDesc) override;
    STDMETHODIMP GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
    STDMETHODIMP GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override;
    STDMETHODIMP GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override;
    STDMETHODIMP GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
    STDMETHODIMP Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                        EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
    STDMETHODIMP GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                  BSTR* pBstrHelpFile) override;
    STDMETHODIMP GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                             WORD* pwOrdinal) override;
    STDMETHODIMP GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
    STDMETHODIMP AddressOfMember(MEMBERID memid, INVOKEKIND invKind, PVOID* ppv) override;
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj) override;
    STDMETHODIMP GetMops(MEMBERID memid, BSTR* pBstrMops) override;
    STDMETHODIMP GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override;
    STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* pTypeAttr) override;
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* pFuncDesc) override;
    STDMETHODIMP_(void) ReleaseVarDesc(VARDESC* pVarDesc) override;

    // ITypeInfo2 (TypeInfo2.cpp)
    STDMETHODIMP GetTypeKind(TYPEKIND* pTypeKind) override;
    STDMETHODIMP GetTypeFlags(ULONG* pTypeFlags) override;
    STDMETHODIMP GetFuncIndexOfMemId(MEMBERID memid, INVOKEKIND invKind, UINT* pFuncIndex) override;
    STDMETHODIMP GetVarIndexOfMemId(MEMBERID memid, UINT* pVarIndex) override;
    STDMETHODIMP GetCustData(REFGUID guid, VARIANT* pVarVal) override;
    STDMETHODIMP GetFuncCustData(UINT index, REFGUID guid, VARIANT* pVarVal) override;
    STDMETHODIMP GetParamCustData(UINT indexFunc, UINT indexParam, REFGUID guid, VARIANT* pVarVal) override;
    STDMETHODIMP GetVarCustData(UINT index, REFGUID guid, VARIANT* pVarVal) override;
    STDMETHODIMP GetImplTypeCustData(UINT index, REFGUID guid, VARIANT* pVarVal) override;
    STDMETHODIMP GetDocumentation2(MEMBERID memid, LCID lcid, BSTR* pbstrHelpString, DWORD* pdwHelpStringContext,
                                   BSTR* pbstrHelpStringDll) override;
    STDMETHODIMP GetAllCustData(CUSTDATA* pCustData) override;
    STDMETHODIMP GetAllFuncCustData(UINT index, CUSTDATA* pCustData) override;
    STDMETHODIMP GetAllParamCustData(UINT indexFunc, UINT indexParam, CUSTDATA* pCustData) override;
    STDMETHODIMP GetAllVarCustData(UINT index, CUSTDATA* pCustData) override;
    STDMETHODIMP GetAllImplTypeCustData(UINT index, CUSTDATA* pCustData) override;

    // ITypeComp (TypeComp.cpp)
    STDMETHODIMP Bind(LPOLESTR szName, ULONG lHashVal, WORD wFlags, ITypeInfo** ppTInfo, DESCKIND* pDescKind,
                      BINDPTR* pBindPtr) override;
    STDMETHODIMP BindType(LPOLESTR szName, ULONG lHashVal, ITypeInfo** ppTInfo, ITypeComp** ppTComp) override;

    // The stored spelling of a type, member or parameter name, for IsName.
    std::optional<std::string_view> findName(std::u16string_view wanted) const;
    // A name found by FindName: MEMBERID_NIL for the type's own name, else
    // the member's id; with its stored spelling.
    struct NamedMember {
        MEMBERID memid;
        std::string_view name;
    };
    std::optional<NamedMember> findMember(std::u16string_view wanted) const;

    // About what the descriptions of all of a library's types take.
    static std::size_t expectedTableBytes(TypeLibRecord const& lib);

    bool isDualDispatch() const;
    TYPEKIND kind() const { return attr_.typekind; }
    // The type's name as stored, for binding by name.
    std::string_view name() const;
    // A member named so, for ITypeComp::Bind: found, found but not of a kind
    // among `flags` (TYPE_E_TYPEMISMATCH), or not there (S_OK, none bound).
    HRESULT bindMember(std::u16string_view wanted, WORD flags, ITypeInfo** info, DESCKIND* kind, BINDPTR* bound,
                       int depth = 0);
    // Of an application object (a coclass marked appobject): the variable
    // that stands for its object, which ITypeComp binds its members to.
    VARDESC* applicationObject();
    bool isPureDispatch() const {
        return record_.kind == TKIND_DISPATCH && (record_.typeFlags & TYPEFLAG_FDUAL) == 0;
    }
    CTypeLib& lib() const { return lib_; }
    // A type this type refers to, as an object of this runtime.
    HRESULT resolve(HREFTYPE href, CTypeInfo** result);
    std::pmr::vector<Function> const& functions();

private:
    void prepare();
    void buildAttr();
    void addOwnFunctions();
    void findViewedInterfaces();
    bool wrapsInterface() const;
    HREFTYPE hrefOffsetOf(std::size_t place) const;
    void addDispatchFunctions();
    void addDispatchFunction(Function const& src, HREFTYPE hrefOffset);
    void addVars();
    void indexFunctions();
    HRESULT vtableBase(CTypeInfo** result);
    TYPEDESC offsetType(TYPEDESC const& type, HREFTYPE hrefOffset);
    Function const* functionOf(MEMBERID memid) const;
    HRESULT idsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId, int depth);
    // The type a coclass or interface takes its members from: an
    // interface's base, a coclass's default interface.
    CTypeInfo* inheritedFrom();
    // The custom data of function `index` of this type info, of one of its
    // parameters as shown, of variable `index`; null when there is none.
    struct CustomDataOf {
        TypeLibRecord const* lib;
        RecordRange range;
    };
    std::optional<CustomDataOf> funcCustomData(UINT index);
    // The stored place of parameter `shown` of a function as this type info
    // shows it.
    static std::optional<std::size_t> storedParamIndex(Function const& fn, std::size_t shown);
    std::optional<CustomDataOf> paramCustomData(UINT indexFunc, UINT indexParam);
    struct FunctionEntry;
    // What Invoke calls: the first function declared with the id whose kind
    // is among the flags.
    FunctionEntry* invokableFunction(MEMBERID memid, WORD flags);
    // The plan of a function's calls, kept once the types it names are all
    // found; until then each call makes its own, held by `unkept`.
    static InvokePlan const& invokePlan(FunctionEntry& entry, std::unique_ptr<InvokePlan>& unkept);
    VarRecord const* varOf(MEMBERID memid) const;
    // A text of this type's library.
    std::string_view text(TextRef ref) const;
    std::pmr::vector<ImplTypeRecord> const& implTypes() const;

    CTypeLib& lib_;
    TypeInfoRecord const& record_;
    std::size_t index_;
    Side side_;
    TYPEATTR attr_{};
    bool prepared_ = false;
    std::pmr::vector<ImplTypeRecord> dispatchImpl_;
    // Sized once when prepared: descriptions point into each other. They are
    // kept in the library's table memory.
    std::pmr::vector<Function> funcs_;
    std::pmr::vector<ELEMDESC> params_;
    // The functions by member id, in declaration order within one id.
    struct FunctionEntry {
        MEMBERID memid;
        INVOKEKIND invkind;
        Function const* function;
        std::unique_ptr<InvokePlan> plan; // built by the first Invoke
    };
    std::pmr::vector<FunctionEntry> functionsById_;
    // The last answer of invokableFunction: script loops call one member
    // again and again.
    struct LastInvoked {
        MEMBERID memid = MEMBERID_NIL;
        WORD flags = 0;
        FunctionEntry* entry = nullptr;
    } lastInvoked_;
    std::pmr::vector<VARDESC> vars_;
    std::pmr::vector<PARAMDESCEX> defaults_;
    std::pmr::vector<VARIANT> constants_;
    // Of a dispatch view: its interfaces, bases first (findViewedInterfaces),
    // and the types of their members with handles moved (offsetType), sized
    // once, as the functions.
    std::vector<CTypeInfo*> viewChain_;
    std::pmr::vector<TYPEDESC> viewTypes_;
    VARDESC applicationObject_{};
    TYPEDESC applicationObjectType_{};
};

} // namespace qor::platform::posix::ole
