#pragma once

#include "Platform/Com.h"

namespace qor::platform::windows::com {

// Gives a description that a type info handed out (a TYPEATTR, FUNCDESC or
// VARDESC) back to it at the end of its scope, so that early returns cannot
// leak it.
template <class Description, auto release>
class ScopedDescription {
public:
    ScopedDescription(ITypeInfo& typeInfo, Description* description) : typeInfo_(typeInfo), description_(description) {}
    ScopedDescription(ScopedDescription const&) = delete;
    ScopedDescription& operator=(ScopedDescription const&) = delete;
    ~ScopedDescription() { (typeInfo_.*release)(description_); }
    Description const& operator*() const { return *description_; }
    Description const* operator->() const { return description_; }

private:
    ITypeInfo& typeInfo_;
    Description* description_;
};

using ScopedTypeAttr = ScopedDescription<TYPEATTR, &ITypeInfo::ReleaseTypeAttr>;
using ScopedFuncDesc = ScopedDescription<FUNCDESC, &ITypeInfo::ReleaseFuncDesc>;
using ScopedVarDesc = ScopedDescription<VARDESC, &ITypeInfo::ReleaseVarDesc>;

} // namespace qor::platform::windows::com
