#pragma once

// A TYPEATTR or VARDESC a type info handed out, given back to it at the end
// of the holder's scope, so that an early return cannot leak it.

#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

#include <expected>
#include <memory>

namespace qor::platform::posix::ole {

template <class Description, auto release>
struct DescriptionRelease {
    ITypeInfo* owner = nullptr;
    void operator()(Description* description) const { (owner->*release)(description); }
};

using HeldTypeAttr = std::unique_ptr<TYPEATTR, DescriptionRelease<TYPEATTR, &ITypeInfo::ReleaseTypeAttr>>;
using HeldVarDesc = std::unique_ptr<VARDESC, DescriptionRelease<VARDESC, &ITypeInfo::ReleaseVarDesc>>;

inline std::expected<HeldTypeAttr, HRESULT> typeAttrOf(ITypeInfo& info)
{
    TYPEATTR* attr = nullptr;
    if (HRESULT hr = info.GetTypeAttr(&attr); FAILED(hr))
        return std::unexpected(hr);
    return HeldTypeAttr(attr, {&info});
}

inline std::expected<HeldVarDesc, HRESULT> varDescOf(ITypeInfo& info, UINT index)
{
    VARDESC* desc = nullptr;
    if (HRESULT hr = info.GetVarDesc(index, &desc); FAILED(hr))
        return std::unexpected(hr);
    return HeldVarDesc(desc, {&info});
}

} // namespace qor::platform::posix::ole
