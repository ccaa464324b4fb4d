#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Id/Guid.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/OleText.h"

#include <expected>
#include <string_view>

namespace qor::platform::windows::com {

// Initialises OLE once per process, on the thread of the first call, and
// uninitialises it at process exit.
QOR_JAVASCRIPT_COM_API void ensureOleInitialized();

// The CLSID registered for a ProgID; the nil Guid when there is none.
QOR_JAVASCRIPT_COM_API Guid clsidFromProgId(std::string_view progId);
QOR_JAVASCRIPT_COM_API Guid clsidFromProgId(OleStringView progId);

// The `iid` interface of a new object of class `clsid` (in-process, local or
// remote server), with one reference for the caller; null on failure.
QOR_JAVASCRIPT_COM_API IUnknown* createInstance(CLSID const& clsid, IID const& iid);
// The same, telling why it failed.
QOR_JAVASCRIPT_COM_API std::expected<IUnknown*, HRESULT> createInstanceOrError(CLSID const& clsid, IID const& iid);

} // namespace qor::platform::windows::com
