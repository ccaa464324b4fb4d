#pragma once

namespace qor::platform::windows::com {

// Host COM classes may implement this to learn when scripts start and stop.
// The engine reaches it by dynamic_cast from the object's IDispatch.
class IScriptStartStop {
public:
    virtual ~IScriptStartStop() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
};

} // namespace qor::platform::windows::com
