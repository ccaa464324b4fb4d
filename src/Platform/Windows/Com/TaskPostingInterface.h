#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Windows/Com/TaskInbox.h"

#include <memory>

namespace qor::platform::windows::com {

// What an engine offers the COM objects it created (their creator, found by
// dynamic_cast from UnknownCreationInterface): the way onto its thread for
// work they finish on another. A worker thread may call none of the engine's
// other functions, nor the scripts' objects: it posts a task, and the task
// does that on the engine's thread.
class QOR_JAVASCRIPT_COM_API TaskPostingInterface {
public:
    virtual ~TaskPostingInterface() = default;
    // The inbox of the engine's thread; it refuses posts unless the engine
    // runs tasks (EngineOptions::eventLoop), and once the engine is gone.
    virtual std::shared_ptr<TaskInbox> getTaskInbox() = 0;
};

} // namespace qor::platform::windows::com
