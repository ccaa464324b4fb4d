#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/IUnknownImpl.h"
#include "LiveObjects.h"

namespace qor::examples::spreadsheet {

// What a collection shows its enumerators: its items by position, read when
// an enumerator reaches them, so that items added meanwhile are met too.
class ItemSource {
public:
    virtual LONG itemCount() = 0;
    // `item` is empty on entry and owned by the caller on return.
    virtual HRESULT itemAt(LONG index, VARIANT* item) = 0;

protected:
    ~ItemSource() = default;
};

// The IEnumVARIANT of a collection's _NewEnum. It holds the collection, so
// the items stay reachable for as long as anyone walks them.
class CItemEnumerator : public platform::windows::com::IUnknownImpl<IEnumVARIANT, &IID_IEnumVARIANT> {
public:
    CItemEnumerator(IUnknown* collection, ItemSource& source, LONG position = 0);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override;

    // An enumerator of `collection` for a _NewEnum out-parameter.
    static HRESULT handOut(IUnknown* collection, ItemSource& source, IUnknown** enumerator);

private:
    platform::windows::com::ComRef<IUnknown> collection;
    ItemSource& source;
    LONG position;
    LiveObject live;
};

} // namespace qor::examples::spreadsheet
