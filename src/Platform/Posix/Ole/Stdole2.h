#pragma once

#include "Platform/Posix/Ole/TypeLibRecord.h"

namespace qor::platform::posix::ole {

// The OLE Automation library (stdole2.tlb) that every automation type
// library imports: GUID, DISPPARAMS, EXCEPINFO, IUnknown, IDispatch and
// IEnumVARIANT. There is no registry to find the file through, so the runtime
// carries its records.
TypeLibRecord const& stdole2Record();

inline constexpr Guid stdole2LibraryId{0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

} // namespace qor::platform::posix::ole
