#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/UnknownCreationInterface.h"

#include <initializer_list>

namespace qor::examples::spreadsheet {

// Calls the script function that handles the event `member` of the class
// `classId` ("Sheet.OnChange"), when `engine` runs scripts and they define
// one; the arguments in the order the handler declares them. What the
// handler returns, and whether it exists, does not matter to the model.
void raiseEvent(platform::windows::com::UnknownCreationInterface* engine, CLSID const& classId,
                OLECHAR const* member, std::initializer_list<_variant_t> arguments);

} // namespace qor::examples::spreadsheet
