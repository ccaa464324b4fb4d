#pragma once

// How ITypeInfo::Invoke turns an argument into the type its parameter
// declares. `dest` is an empty VARIANT that owns the outcome.

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Guid.h"
#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole {

// What a failed conversion reports: an overflow as such, anything else as a
// type mismatch.
HRESULT asCoercionFailure(HRESULT hr);

// The value of `source`, read through a reference, as `vt`.
HRESULT coerce(VARIANT& dest, VARIANT const& source, VARTYPE vt);

// An object argument (or none) asked for interface `iid`, held as `vt`.
HRESULT coerceObject(VARIANT& dest, VARIANT const& source, VARTYPE vt, GUID const& iid);

} // namespace qor::platform::posix::ole
