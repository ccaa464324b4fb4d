#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/IUnknownImpl.h"

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace qor::platform::windows::com {

// What an enumerator hands out keeps the object it names alive: an interface
// pointer, or the sink of a connection.
inline void retainItem(IUnknown* item) {
    if (item != nullptr)
        item->AddRef();
}
inline void releaseItem(IUnknown* item) {
    if (item != nullptr)
        item->Release();
}
inline void retainItem(CONNECTDATA const& item) { retainItem(item.pUnk); }
inline void releaseItem(CONNECTDATA const& item) { releaseItem(item.pUnk); }

// An IEnumXxx over the items its maker saw when it made it: `IEnum` is the
// enumerator interface (Next, Skip, Reset, Clone) whose IID `iid` points to,
// `Item` what Next gives. Clones share the items and copy the position. The
// items hold a reference each until the last enumerator of them goes; Next
// gives the caller one more, which the caller releases.
template <class IEnum, IID const* iid, class Item>
class IEnumImpl : public IUnknownImpl<IEnum, iid> {
public:
    // With one reference for the caller.
    static IEnum* make(std::vector<Item> items) {
        auto* made = new IEnumImpl(std::make_shared<Items const>(std::move(items)), 0);
        made->AddRef();
        return made;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override {
        if (items == nullptr || (count != 1 && fetched == nullptr))
            return E_POINTER;
        ULONG given = 0;
        for (; given < count && position < snapshot->items.size(); ++given, ++position) {
            items[given] = snapshot->items[position];
            retainItem(items[given]);
        }
        if (fetched != nullptr)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        std::size_t const left = snapshot->items.size() - position;
        position += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnum** copy) override {
        if (copy == nullptr)
            return E_POINTER;
        auto* clone = new IEnumImpl(snapshot, position);
        clone->AddRef();
        *copy = clone;
        return S_OK;
    }

private:
    struct Items {
        explicit Items(std::vector<Item> taken) : items(std::move(taken)) {
            for (Item const& item : items)
                retainItem(item);
        }
        Items(Items const&) = delete;
        Items& operator=(Items const&) = delete;
        ~Items() {
            for (Item const& item : items)
                releaseItem(item);
        }
        std::vector<Item> items;
    };

    IEnumImpl(std::shared_ptr<Items const> snapshot, std::size_t position)
        : IUnknownImpl<IEnum, iid>(nullptr), snapshot(std::move(snapshot)), position(position) {}

    std::shared_ptr<Items const> snapshot;
    std::size_t position;
};

using EnumConnections = IEnumImpl<IEnumConnections, &IID_IEnumConnections, CONNECTDATA>;
using EnumConnectionPoints = IEnumImpl<IEnumConnectionPoints, &IID_IEnumConnectionPoints, IConnectionPoint*>;

} // namespace qor::platform::windows::com
