#include "Platform/Posix/Ole/TypeLib/OpenTypeLibs.h"

#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace qor::platform::posix::ole {

namespace {

// Libraries are opened and let go by any thread; the list is the only state
// they share.
struct OpenList {
    std::mutex lock;
    std::vector<CTypeLib*> libraries;
};

OpenList& openList()
{
    static auto* list = new OpenList; // outlives libraries released at exit
    return *list;
}

} // namespace

void rememberOpenTypeLib(CTypeLib& library)
{
    OpenList& list = openList();
    std::lock_guard guard(list.lock);
    list.libraries.push_back(&library);
}

void forgetOpenTypeLib(CTypeLib& library)
{
    OpenList& list = openList();
    std::lock_guard guard(list.lock);
    std::erase(list.libraries, &library);
}

CTypeLib* findOpenTypeLib(GUID const& guid, WORD major, WORD minor)
{
    OpenList& list = openList();
    std::lock_guard guard(list.lock);
    CTypeLib* best = nullptr;
    for (CTypeLib* library : list.libraries) {
        TypeLibRecord const& record = library->record();
        if (!IsEqualGUID(record.guid.to<GUID>(), guid) || record.majorVersion != major || record.minorVersion < minor)
            continue;
        if (best == nullptr || record.minorVersion > best->record().minorVersion)
            best = library;
    }
    // One whose last reference is going is no longer to be had.
    return best != nullptr && best->tryAddRef() ? best : nullptr;
}

} // namespace qor::platform::posix::ole
