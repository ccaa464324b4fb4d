#pragma once

#include "Format/Engine/JavaScript/Com/Bindings/Enumerator.h"
#include "Support/TypedDispatch.h"

#include <string>
#include <utility>
#include <vector>

namespace qor::test {

using format::engine::javascript::IID_HostCollection;

// The host's collection interface: its count is the eleventh method of its
// own, its item the thirteenth; the others are never called.
struct DECLSPEC_NOVTABLE IHostCollection : public IDispatch {
    STDMETHOD(Reserved0)() { return E_NOTIMPL; }
    STDMETHOD(Reserved1)() { return E_NOTIMPL; }
    STDMETHOD(Reserved2)() { return E_NOTIMPL; }
    STDMETHOD(Reserved3)() { return E_NOTIMPL; }
    STDMETHOD(Reserved4)() { return E_NOTIMPL; }
    STDMETHOD(Reserved5)() { return E_NOTIMPL; }
    STDMETHOD(Reserved6)() { return E_NOTIMPL; }
    STDMETHOD(Reserved7)() { return E_NOTIMPL; }
    STDMETHOD(Reserved8)() { return E_NOTIMPL; }
    STDMETHOD(Reserved9)() { return E_NOTIMPL; }
    STDMETHOD(get_Count)(LONG* count) PURE;
    STDMETHOD(Reserved11)() { return E_NOTIMPL; }
    STDMETHOD(Item)(LONG index, VARIANT* item) PURE;
};

// A host collection of strings, reached by index. Its IDispatch is another
// interface than its collection interface, so the two have other vtables.
class HostCollection : public TypedDispatch, public IHostCollection {
public:
    // Records the index of every Item call unless `recordIndices` is false,
    // as for long walks.
    explicit HostCollection(std::vector<std::u16string> items, bool recordIndices = true)
        : TypedDispatch(nullptr), items_(std::move(items)), recordIndices_(recordIndices) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualGUID(riid, IID_HostCollection)) {
            *ppv = static_cast<IHostCollection*>(this);
            TypedDispatch::AddRef();
            return S_OK;
        }
        return TypedDispatch::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return TypedDispatch::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TypedDispatch::Release(); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return TypedDispatch::GetTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return TypedDispatch::GetTypeInfo(index, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        return TypedDispatch::GetIDsOfNames(riid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override {
        return TypedDispatch::Invoke(id, riid, lcid, flags, params, result, excepInfo, argErr);
    }
    STDMETHODIMP get_Count(LONG* count) override {
        *count = static_cast<LONG>(items_.size());
        return S_OK;
    }
    STDMETHODIMP Item(LONG index, VARIANT* item) override {
        if (recordIndices_)
            indices.push_back(index);
        if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
            return DISP_E_BADINDEX;
        item->vt = VT_BSTR;
        item->bstrVal = SysAllocString(items_[static_cast<std::size_t>(index)].c_str());
        return S_OK;
    }

    std::vector<LONG> indices;

private:
    std::vector<std::u16string> items_;
    bool recordIndices_;
};

} // namespace qor::test
