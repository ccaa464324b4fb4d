#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"

namespace qor::platform::windows::com {

class UnknownCreationInterface;

// Asked for by QueryInterface, it tells this library's own COM objects from
// foreign ones. The answer is the object's UnknownCreationHelperInterface,
// which is no COM interface and carries no reference.
inline constexpr IID IID_UnknownCreationHelper = {
    0xa9ee859e, 0xca93, 0x48a8, {0x9c, 0xc5, 0x61, 0xef, 0x29, 0xbe, 0x53, 0xe0}};

// The object's side of the link to the creator that made it.
class QOR_JAVASCRIPT_COM_API DECLSPEC_UUID("a9ee859e-ca93-48a8-9cc5-61ef29be53e0") UnknownCreationHelperInterface {
public:
    // Release frees the object through this destructor.
    virtual ~UnknownCreationHelperInterface() = default;
    // For a creator that dies before its objects: they tell nobody then.
    virtual void clearCreator() = 0;
    // Null once cleared, or when the object was made without a creator.
    virtual UnknownCreationInterface* getCreator() const = 0;
};

} // namespace qor::platform::windows::com

OLE_DECLARE_UUIDOF(qor::platform::windows::com::UnknownCreationHelperInterface,
                   qor::platform::windows::com::IID_UnknownCreationHelper);
