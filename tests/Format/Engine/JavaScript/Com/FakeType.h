#pragma once

// A type description assembled in a test: a mocked ITypeInfo answering from
// plain members, functions and implemented types, so each case states only
// what it is about and can still make any single call fail.

#include "Support/TypeInfoMock.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace qor::test {

struct FakeParameter {
    std::u16string name;
    VARTYPE vt = VT_I4;
    USHORT flags = PARAMFLAG_FIN;
    VARTYPE pointee = VT_EMPTY; // what a VT_PTR parameter points to
    VARIANT defaultValue{};     // used when flags has PARAMFLAG_FHASDEFAULT
};

struct FakeFunction {
    std::u16string name;
    MEMBERID memberId = 0;
    INVOKEKIND invokeKind = INVOKE_FUNC;
    std::vector<FakeParameter> parameters;
    VARTYPE returnVt = VT_HRESULT;
    // GetNames reports only this many names (the member's own included);
    // -1 for all of them.
    int namesGiven = -1;
};

class FakeType : public ::testing::NiceMock<MockTypeInfo> {
public:
    explicit FakeType(std::u16string name, GUID guid = GUID{}, TYPEKIND kind = TKIND_INTERFACE)
        : name_(std::move(name)) {
        attributes_.guid = guid;
        attributes_.typekind = kind;
        using ::testing::_;
        using ::testing::Invoke;
        ON_CALL(*this, GetTypeAttr(_)).WillByDefault(Invoke([this](TYPEATTR** out) {
            attributes_.cFuncs = static_cast<WORD>(functions_.size());
            attributes_.cImplTypes = static_cast<WORD>(implemented_.size());
            *out = &attributes_;
            ++attributesOut;
            return S_OK;
        }));
        ON_CALL(*this, ReleaseTypeAttr(_)).WillByDefault(Invoke([this](TYPEATTR*) { ++attributesBack; }));
        ON_CALL(*this, GetFuncDesc(_, _)).WillByDefault(Invoke([this](UINT index, FUNCDESC** out) {
            if (index >= descriptions_.size())
                return TYPE_E_ELEMENTNOTFOUND;
            *out = &descriptions_[index];
            ++descriptionsOut;
            return S_OK;
        }));
        ON_CALL(*this, ReleaseFuncDesc(_)).WillByDefault(Invoke([this](FUNCDESC*) { ++descriptionsBack; }));
        ON_CALL(*this, GetDocumentation(_, _, _, _, _))
            .WillByDefault(Invoke([this](MEMBERID id, BSTR* out, BSTR*, DWORD*, BSTR*) {
                FakeFunction const* member = find(id);
                if (id != MEMBERID_NIL && member == nullptr)
                    return TYPE_E_ELEMENTNOTFOUND;
                if (out != nullptr)
                    *out = allocate(id == MEMBERID_NIL ? name_ : member->name);
                return S_OK;
            }));
        ON_CALL(*this, GetNames(_, _, _, _))
            .WillByDefault(Invoke([this](MEMBERID id, BSTR* names, UINT size, UINT* count) {
                FakeFunction const* member = find(id);
                if (member == nullptr)
                    return TYPE_E_ELEMENTNOTFOUND;
                std::vector<std::u16string> all{member->name};
                for (auto const& parameter : member->parameters)
                    all.push_back(parameter.name);
                if (member->namesGiven >= 0)
                    all.resize(static_cast<std::size_t>(member->namesGiven));
                *count = 0;
                for (; *count < size && *count < all.size(); ++*count)
                    names[*count] = allocate(all[*count]);
                return S_OK;
            }));
        ON_CALL(*this, GetRefTypeOfImplType(_, _)).WillByDefault(Invoke([this](UINT index, HREFTYPE* out) {
            if (index >= implemented_.size())
                return TYPE_E_ELEMENTNOTFOUND;
            *out = 1000 + index;
            return S_OK;
        }));
        ON_CALL(*this, GetRefTypeInfo(_, _)).WillByDefault(Invoke([this](HREFTYPE reference, ITypeInfo** out) {
            ITypeInfo* target = nullptr;
            if (reference >= 1000 && reference - 1000 < implemented_.size())
                target = implemented_[reference - 1000].type;
            else if (reference >= 2000 && reference - 2000 < referenced_.size())
                target = referenced_[reference - 2000];
            if (target == nullptr)
                return TYPE_E_ELEMENTNOTFOUND;
            target->AddRef();
            *out = target;
            return S_OK;
        }));
        ON_CALL(*this, GetImplTypeFlags(_, _)).WillByDefault(Invoke([this](UINT index, INT* out) {
            if (index >= implemented_.size())
                return TYPE_E_ELEMENTNOTFOUND;
            *out = implemented_[index].flags;
            return S_OK;
        }));
    }

    void implement(FakeType& type, INT flags = 0) { implemented_.push_back({&type, flags}); }

    // A reference the descriptions can point at with VT_USERDEFINED.
    HREFTYPE reference(FakeType& type) {
        referenced_.push_back(&type);
        return static_cast<HREFTYPE>(2000 + referenced_.size() - 1);
    }

    void add(FakeFunction function) {
        functions_.push_back(std::move(function));
        rebuild();
    }

    // Every description and attribute block handed out came back.
    bool returnedEverything() const {
        return attributesOut == attributesBack && descriptionsOut == descriptionsBack && balanced();
    }

    FUNCDESC& description(std::size_t index) { return descriptions_[index]; }
    ELEMDESC& parameter(std::size_t function, std::size_t index) { return elements_[function][index]; }

    int attributesOut = 0;
    int attributesBack = 0;
    int descriptionsOut = 0;
    int descriptionsBack = 0;

private:
    struct Implemented {
        FakeType* type;
        INT flags;
    };

    FakeFunction const* find(MEMBERID id) const {
        for (auto const& function : functions_)
            if (function.memberId == id)
                return &function;
        return nullptr;
    }

    static BSTR allocate(std::u16string const& text) {
        return SysAllocStringLen(reinterpret_cast<OLECHAR const*>(text.data()), static_cast<UINT>(text.size()));
    }

    void rebuild() {
        descriptions_.clear();
        elements_.clear();
        for (auto& function : functions_) {
            auto& elements = elements_.emplace_back();
            for (auto& parameter : function.parameters) {
                ELEMDESC element{};
                element.tdesc.vt = parameter.vt;
                if (parameter.vt == VT_PTR) {
                    pointees_.push_back(TYPEDESC{});
                    pointees_.back().vt = parameter.pointee;
                    element.tdesc.lptdesc = &pointees_.back();
                }
                element.paramdesc.wParamFlags = parameter.flags;
                if ((parameter.flags & PARAMFLAG_FHASDEFAULT) != 0) {
                    defaults_.push_back(PARAMDESCEX{sizeof(PARAMDESCEX), parameter.defaultValue});
                    element.paramdesc.pparamdescex = &defaults_.back();
                }
                elements.push_back(element);
            }
            FUNCDESC description{};
            description.memid = function.memberId;
            description.invkind = function.invokeKind;
            description.funckind = FUNC_PUREVIRTUAL;
            description.cParams = static_cast<SHORT>(function.parameters.size());
            description.lprgelemdescParam = elements.empty() ? nullptr : elements.data();
            description.elemdescFunc.tdesc.vt = function.returnVt;
            descriptions_.push_back(description);
        }
    }

    std::u16string name_;
    TYPEATTR attributes_{};
    std::vector<FakeFunction> functions_;
    std::vector<Implemented> implemented_;
    std::vector<FakeType*> referenced_;
    std::vector<FUNCDESC> descriptions_;
    std::deque<std::vector<ELEMDESC>> elements_;
    std::deque<TYPEDESC> pointees_;
    std::deque<PARAMDESCEX> defaults_;
};

} // namespace qor::test
