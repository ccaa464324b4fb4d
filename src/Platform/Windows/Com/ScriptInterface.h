#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Windows/Com/DispatchCreationInterface.h"
#include "Platform/Windows/Com/ScriptSettings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qor::format::engine::javascript {
class Error;
}

namespace qor::platform::windows::com {

// The host's handle on a script environment: set a script, run it, stop it.
class QOR_JAVASCRIPT_COM_API ScriptInterface : public DispatchCreationInterface {
public:
    using ErrorHandler = std::function<void(ScriptInterface&, format::engine::javascript::Error&)>;

    enum RunMode : std::uint32_t { normalRun = 0, debugRun = 2 };

    virtual void setErrorMessage(std::string_view message, bool keepExisting) = 0;
    // Borrowed: the engine keeps the reference.
    virtual IDispatch* getSharedInstance(std::string_view className) = 0;
    virtual void breakScript() = 0;
    virtual bool setScript(std::string_view source, ScriptSettings settings) = 0;
    virtual std::string runScript() = 0;
    virtual ScriptSettings getScriptSettings() = 0;
    virtual void stopScript() = 0;
    virtual void setDebugging(bool debugging) = 0;
    virtual void setDebugPort(unsigned short port) {}

    std::uint64_t hostContext = 0; // the host's own; the script factory resets it
    ErrorHandler errorHandler;     // receives every reported error
    std::uint32_t runMode = normalRun;
    bool hostFlag = true; // the host's own
};

} // namespace qor::platform::windows::com
