#pragma once

// The type libraries alive in this process, so that one can be found again
// by its identity where Windows would look in its registry.

#include "Platform/Posix/Ole/Ole.h"

namespace qor::platform::posix::ole {

class CTypeLib;

void rememberOpenTypeLib(CTypeLib& library);
void forgetOpenTypeLib(CTypeLib& library);

// The open library `guid` of the major version given, the highest of its
// minor versions from `minor` up, with a reference; null when none is open.
CTypeLib* findOpenTypeLib(GUID const& guid, WORD major, WORD minor);

} // namespace qor::platform::posix::ole
