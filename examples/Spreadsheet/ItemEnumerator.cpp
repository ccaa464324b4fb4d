#include "ItemEnumerator.h"

#include <algorithm>

namespace qor::examples::spreadsheet {

CItemEnumerator::CItemEnumerator(IUnknown* collection, ItemSource& source, LONG position)
    : IUnknownImpl(nullptr), collection(collection), source(source), position(position) {
    collection->AddRef();
}

HRESULT CItemEnumerator::Next(ULONG count, VARIANT* items, ULONG* fetched) {
    if (fetched != nullptr)
        *fetched = 0;
    if (count > 0 && items == nullptr)
        return E_POINTER;
    ULONG done = 0;
    for (; done < count && position < source.itemCount(); ++done, ++position) {
        VariantInit(&items[done]);
        if (HRESULT hr = source.itemAt(position, &items[done]); FAILED(hr)) {
            // Nothing is handed out of a batch that failed part way.
            for (ULONG i = 0; i <= done; ++i)
                VariantClear(&items[i]);
            return hr;
        }
    }
    if (fetched != nullptr)
        *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT CItemEnumerator::Skip(ULONG count) {
    LONG const total = source.itemCount();
    LONG const left = std::max<LONG>(total - position, 0);
    if (count > static_cast<ULONG>(left)) {
        position = std::max(position, total);
        return S_FALSE;
    }
    position += static_cast<LONG>(count);
    return S_OK;
}

HRESULT CItemEnumerator::Reset() {
    position = 0;
    return S_OK;
}

HRESULT CItemEnumerator::Clone(IEnumVARIANT** copy) {
    if (copy == nullptr)
        return E_POINTER;
    *copy = new CItemEnumerator(collection.get(), source, position);
    (*copy)->AddRef();
    return S_OK;
}

HRESULT CItemEnumerator::handOut(IUnknown* collection, ItemSource& source, IUnknown** enumerator) {
    if (enumerator == nullptr)
        return E_POINTER;
    *enumerator = new CItemEnumerator(collection, source);
    (*enumerator)->AddRef();
    return S_OK;
}

} // namespace qor::examples::spreadsheet
