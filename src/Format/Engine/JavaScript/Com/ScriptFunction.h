#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"

#include <expected>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

namespace qor::format::engine::javascript {

// Why a call through a ScriptFunction gave no value.
enum class ScriptCallFailure {
    // The handle stands for no function: made empty, or moved from.
    empty,
    // Its engine has been destroyed.
    engineGone,
    // The function threw, a limit or the host stopped it, or a value could
    // not cross: the engine has the error, reported as for any host call.
    failed,
};

// A script function resolved once by its engine (ComV8Engine::resolveFunction
// and its kin), called without a look-up by name. Copies stand for the same
// function. A handle keeps the function it resolved: a script that later
// assigns another function to the name changes what a new resolution finds,
// not what this handle calls.
//
// Each call is a run, or nests in the run in progress, exactly as
// callJsFunctionGetError (call) and invokeComFunction (invoke) are: the
// limits bound it, terminateScript ends it, and its errors become the pending
// error, reported at the same depths. Used on the engine's thread; a handle
// may outlive its engine, and then fails with `engineGone`.
class QOR_JAVASCRIPT_COM_API ScriptFunction {
public:
    using Result = std::expected<_variant_t, ScriptCallFailure>;

    ScriptFunction() = default;

    // Calls with arguments in natural order, as callJsFunctionGetError does.
    Result call(std::span<VARIANT const> arguments) const;
    Result call(std::span<_variant_t const> arguments) const;
    Result call(std::initializer_list<_variant_t> arguments) const;
    // Calls as invokeComFunction does, for a COM object raising an event:
    // arguments last first, named ones ignored, and the call counts in the
    // depth of calls from COM. Nested in another call from COM, a script's
    // exception rises through the scripts between, to be reported once by
    // the outermost: the COM method that made the call then returns S_OK,
    // as one calling invokeComFunction does, rather than a failure of its own.
    Result invoke(DISPPARAMS const& parameters) const;

    // False when empty or when the engine is gone.
    bool callable() const;
    // The name it was resolved by ("add", "Sheet.OnChange").
    std::string const& name() const;

    // What copies share; the engine's own.
    class State;

private:
    friend class ComV8Engine;
    explicit ScriptFunction(std::shared_ptr<State> state);

    std::shared_ptr<State> state;
};

} // namespace qor::format::engine::javascript
