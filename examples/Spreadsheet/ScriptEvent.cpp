#include "ScriptEvent.h"

#include "Platform/Windows/Com/V8ComInvokeInterface.h"

#include <vector>

namespace qor::examples::spreadsheet {

void raiseEvent(platform::windows::com::UnknownCreationInterface* engine, CLSID const& classId,
                OLECHAR const* member, std::initializer_list<_variant_t> arguments) {
    auto* scripts = dynamic_cast<platform::windows::com::V8ComInvokeInterface*>(engine);
    if (scripts == nullptr)
        return;
    // COM's order: the last argument first.
    std::vector<VARIANT> reversed(arguments.size());
    std::size_t position = arguments.size();
    for (_variant_t const& argument : arguments)
        reversed[--position] = argument;
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    _variant_t result;
    scripts->invokeComFunction(&classId, member, &parameters, &result);
}

} // namespace qor::examples::spreadsheet
