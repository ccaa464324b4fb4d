#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/VariantClearing.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace qor::format::engine::javascript {

// The arguments of one IDispatch::Invoke, in COM's order: the last argument
// first. Owns the VARIANTs and clears them however the call ends. Calls of
// up to eight arguments need no allocation.
class InvokeArguments {
public:
    explicit InvokeArguments(std::size_t count)
        : count_(count), heap_(count > inlineCapacity ? std::make_unique<VARIANT[]>(count) : nullptr) {
        for (std::size_t i = 0; i < count_; ++i)
            data()[i].vt = VT_EMPTY;
    }
    InvokeArguments(InvokeArguments const&) = delete;
    InvokeArguments& operator=(InvokeArguments const&) = delete;
    ~InvokeArguments() {
        for (std::size_t i = 0; i < count_; ++i)
            platform::windows::com::clearVariant(data()[i]);
    }

    // The place of script argument `index` (counted from 0), empty until the
    // caller fills it.
    VARIANT& at(std::size_t index) { return data()[count_ - 1 - index]; }

    // Positional arguments; a property put passes its one value under
    // DISPID_PROPERTYPUT.
    DISPPARAMS positional() {
        DISPPARAMS parameters{count_ != 0 ? data() : nullptr, nullptr, 0, 0};
        // Hosts commonly test both counts with one 8-byte load; two 4-byte
        // stores before it cannot be forwarded to that load and stall it.
        static_assert(std::endian::native == std::endian::little &&
                      offsetof(DISPPARAMS, cNamedArgs) == offsetof(DISPPARAMS, cArgs) + sizeof(UINT));
        std::uint64_t const counts = static_cast<UINT>(count_);
        std::memcpy(&parameters.cArgs, &counts, sizeof counts);
        return parameters;
    }
    DISPPARAMS propertyPut() { return DISPPARAMS{data(), &putDispid_, static_cast<UINT>(count_), 1}; }

private:
    static constexpr std::size_t inlineCapacity = 8;

    VARIANT* data() { return heap_ ? heap_.get() : inline_.data(); }

    std::size_t count_;
    std::array<VARIANT, inlineCapacity> inline_;
    std::unique_ptr<VARIANT[]> heap_;
    DISPID putDispid_ = DISPID_PROPERTYPUT;
};

} // namespace qor::format::engine::javascript
