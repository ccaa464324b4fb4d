#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Windows/Com/UnknownCreationInterface.h"

namespace qor::platform::windows::com {

class TypeLibrary;

// A creator that can also describe what it creates.
class QOR_JAVASCRIPT_COM_API DispatchCreationInterface : public UnknownCreationInterface {
public:
    virtual TypeLibrary& getTypeLibrary() = 0;
};

} // namespace qor::platform::windows::com
