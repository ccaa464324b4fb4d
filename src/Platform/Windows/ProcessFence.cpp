#include "Platform/ProcessFence.h"

#include <windows.h>

namespace qor::platform {

bool registerProcessFence() { return true; }

void processFence() { FlushProcessWriteBuffers(); }

} // namespace qor::platform
