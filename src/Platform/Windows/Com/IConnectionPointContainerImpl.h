#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/IEnumImpl.h"

#include <span>
#include <vector>

namespace qor::platform::windows::com {

// IConnectionPointContainer for an object that fires events: it finds the
// object's connection points (IConnectionPointImpl members) by the interface
// each serves. The object answers QueryInterface for the container, and its
// AddRef and Release, as it does for its other interfaces.
class IConnectionPointContainerImpl : public IConnectionPointContainer {
public:
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** result) override {
        if (result == nullptr)
            return E_POINTER;
        std::span<IConnectionPoint* const> const points = connectionPoints();
        *result = EnumConnectionPoints::make(std::vector<IConnectionPoint*>(points.begin(), points.end()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** result) override {
        if (result == nullptr)
            return E_POINTER;
        *result = nullptr;
        for (IConnectionPoint* point : connectionPoints()) {
            IID served{};
            if (SUCCEEDED(point->GetConnectionInterface(&served)) && IsEqualIID(served, riid)) {
                point->AddRef();
                *result = point;
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }

protected:
    ~IConnectionPointContainerImpl() = default;

    // The object's points, which live as long as it does.
    virtual std::span<IConnectionPoint* const> connectionPoints() = 0;
};

} // namespace qor::platform::windows::com
