#include "LiveObjects.h"

#include "Export.h"

namespace qor::examples::spreadsheet {
namespace {

// The objects live on the thread of the host that made them, as their
// reference counts do.
long liveObjects = 0;

} // namespace

long liveObjectCount() { return liveObjects; }

LiveObject::LiveObject() { ++liveObjects; }

LiveObject::~LiveObject() { --liveObjects; }

} // namespace qor::examples::spreadsheet

QOR_SPREADSHEET_EXPORT long QorSpreadsheetLiveObjects() { return qor::examples::spreadsheet::liveObjectCount(); }
