#include "Spreadsheet/LiveObjects.h"

namespace qor::examples::spreadsheet {
namespace {

// The objects live on the thread of the host that made them, as their
// reference counts do.
long liveObjects = 0;

} // namespace

long liveObjectCount() {
    return liveObjects;
}

LiveObject::LiveObject() {
    ++liveObjects;
}

LiveObject::~LiveObject() {
    --liveObjects;
}

} // namespace qor::examples::spreadsheet
