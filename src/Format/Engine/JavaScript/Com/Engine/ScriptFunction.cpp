#include "Format/Engine/JavaScript/Com/ScriptFunction.h"

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/ScriptFunctionState.h"

namespace qor::format::engine::javascript {
namespace {

std::string const noName;

} // namespace

ScriptFunction::ScriptFunction(std::shared_ptr<State> state) : state(std::move(state)) {}

ScriptFunction::Result ScriptFunction::call(std::span<VARIANT const> arguments) const {
    if (!state)
        return std::unexpected(ScriptCallFailure::empty);
    if (state->engine == nullptr)
        return std::unexpected(ScriptCallFailure::engineGone);
    return state->engine->callResolved(*state, arguments.data(), arguments.size(), false);
}

ScriptFunction::Result ScriptFunction::call(std::span<_variant_t const> arguments) const {
    // A _variant_t is a VARIANT that frees itself: the same layout.
    static_assert(sizeof(_variant_t) == sizeof(VARIANT));
    return call(std::span<VARIANT const>(static_cast<VARIANT const*>(arguments.data()), arguments.size()));
}

ScriptFunction::Result ScriptFunction::call(std::initializer_list<_variant_t> arguments) const {
    return call(std::span<_variant_t const>(arguments.begin(), arguments.size()));
}

ScriptFunction::Result ScriptFunction::invoke(DISPPARAMS const& parameters) const {
    if (!state)
        return std::unexpected(ScriptCallFailure::empty);
    if (state->engine == nullptr)
        return std::unexpected(ScriptCallFailure::engineGone);
    return state->engine->callResolved(*state, parameters.rgvarg, parameters.cArgs, true);
}

bool ScriptFunction::callable() const { return state && state->engine != nullptr; }

std::string const& ScriptFunction::name() const { return state ? state->name : noName; }

} // namespace qor::format::engine::javascript
