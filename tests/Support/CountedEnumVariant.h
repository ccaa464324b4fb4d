#pragma once

// An IEnumVARIANT over a fixed list of values, counted like every test
// object, for code that walks COM collections.

#include <utility>
#include <vector>

#include "Platform/Com.h"
#include "Support/CountedObject.h"

namespace qor::test {

class CountedEnumVariant : public CountedObject<IEnumVARIANT> {
public:
    explicit CountedEnumVariant(std::vector<_variant_t> items) : items_(std::move(items)) {}

    // Next fails with this code (0 for success).
    void failNext(HRESULT hr) { nextFailure_ = hr; }

    STDMETHODIMP Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override {
        if (pCeltFetched != nullptr)
            *pCeltFetched = 0;
        if (nextFailure_ != S_OK)
            return nextFailure_;
        if (rgVar == nullptr)
            return E_POINTER;
        ULONG fetched = 0;
        for (; fetched < celt && position_ < items_.size(); ++fetched, ++position_) {
            VariantInit(&rgVar[fetched]);
            HRESULT hr = VariantCopy(&rgVar[fetched], &items_[position_]);
            if (FAILED(hr))
                return hr;
        }
        if (pCeltFetched != nullptr)
            *pCeltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG celt) override {
        position_ = std::min(items_.size(), position_ + celt);
        return position_ < items_.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** ppEnum) override {
        if (ppEnum != nullptr)
            *ppEnum = nullptr;
        return E_NOTIMPL;
    }

private:
    std::vector<_variant_t> items_;
    std::size_t position_ = 0;
    HRESULT nextFailure_ = S_OK;
};

} // namespace qor::test
