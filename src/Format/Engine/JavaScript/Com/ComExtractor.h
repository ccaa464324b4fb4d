#pragma once

// COM type information read into plain records (ComClass, ComFunction,
// ComParameter, ComExtract) that outlive it.

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComClass.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComExtract.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComFunction.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComParameter.h"
#include "Format/Engine/JavaScript/Com/Extraction/TypeName.h"
#include "Id/Guid.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/TypeInfoAndAttribute.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <cstdint>
#include <expected>
#include <memory_resource>
#include <optional>
#include <string>

namespace qor::format::engine::javascript {

using platform::windows::com::TypeInfoAndAttribute;
using platform::windows::com::TypeLibrary;

// One type of a loaded library, named as its library documents it; `guid`
// becomes the record's identifier unchanged.
QOR_JAVASCRIPT_COM_API ComClass extractComClass(TypeInfoAndAttribute& entry, Guid const& guid);

// About what the lists of records of every type of every source of the
// library take once extracted and bound (all of them are loaded): what
// table memory for them is sized by, generously.
QOR_JAVASCRIPT_COM_API std::size_t expectedRecordBytes(TypeLibrary& typeLibrary);

// Every type of every source of the library (all of them are loaded). The
// lists of records are made in `tables` when given, which must then outlive
// them.
QOR_JAVASCRIPT_COM_API ComExtract extractRegisteredComComponents(TypeLibrary& typeLibrary,
                                                                 std::pmr::memory_resource* tables = nullptr);

// The class of a live object from the type information it reports itself
// (normally its dispatch interface); empty when it reports none. The object's
// reference count is left as it was.
QOR_JAVASCRIPT_COM_API std::optional<ComClass> extractComClassFromDispatch(IDispatch& object);

// The members of the implemented interfaces first, then the type's own; then
// its constants.
ComClass buildComClass(ITypeInfo& typeInfo, TYPEATTR const& attributes, std::string name, Guid const& guid);
// The same, sharing the members of every interface met before with the
// types built with the same `runs`.
class InterfaceRuns;
ComClass buildComClass(ITypeInfo& typeInfo, TYPEATTR const& attributes, std::string name, Guid const& guid,
                       InterfaceRuns& runs);

// Appends the members of the implemented types at positions [first, end),
// the last position first and each interface after its own bases. Outgoing
// ([source]) interfaces contribute nothing; an interface whose description
// cannot be read is reported and left out.
void addInterfacesRecursiv(ITypeInfo& typeInfo, std::uint16_t first, std::uint16_t end, ComClass& comClass);

// The member at `index`; the failing code, after an assertion report, when it
// cannot be described. Its parameters are made in `tables` when given.
std::expected<ComFunction, HRESULT> extractComFunction(ITypeInfo& typeInfo, std::uint32_t index,
                                                       std::pmr::memory_resource* tables = nullptr);

} // namespace qor::format::engine::javascript
