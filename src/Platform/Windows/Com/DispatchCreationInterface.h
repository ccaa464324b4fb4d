#pragma once

#include "Platform/Windows/Com/UnknownCreationInterface.h"

namespace qor::platform::windows::com {

class TypeLibrary;

// A creator that can also describe what it creates.
class DispatchCreationInterface : public UnknownCreationInterface {
public:
    virtual TypeLibrary& getTypeLibrary() = 0;
};

} // namespace qor::platform::windows::com
