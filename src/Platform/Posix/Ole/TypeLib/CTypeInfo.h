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
// the vtable side (GetRefTypeOfImplType(-1)) whose members are called.
class CTypeInfo final : public ITypeInfo {
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
};

} // namespace qor::platform::posix::ole
