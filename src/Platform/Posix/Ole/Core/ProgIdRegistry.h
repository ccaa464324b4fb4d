#pragma once

// ProgIDs of the process. Windows keeps them in the registry; here the
// process registers the ones it serves with registerProgId.

#include <string_view>

#include "Platform/Posix/Ole/Core/Guid.h"
#include "Platform/Posix/Ole/Core/Types.h"

// CO_E_CLASSSTRING for a ProgID nobody registered; the CLSID is then null.
WINOLEAPI CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
// The ProgID registered last for the class, allocated with CoTaskMemAlloc;
// REGDB_E_CLASSNOTREG when the class has none.
WINOLEAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID);

namespace qor::platform::posix::ole {

// ProgIDs compare without regard to case, as registry keys do. Registering a
// ProgID again points it at the new class. E_INVALIDARG for a ProgID Windows
// would refuse: empty, longer than 39 characters, starting with a digit, or
// holding anything but letters, digits, periods and underscores.
OLE_API HRESULT registerProgId(std::u16string_view progId, CLSID const& clsid);
// CO_E_CLASSSTRING when the ProgID is not registered.
OLE_API HRESULT revokeProgId(std::u16string_view progId);

} // namespace qor::platform::posix::ole
