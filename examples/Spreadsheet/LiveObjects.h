#pragma once

#include "Spreadsheet/Export.h"

namespace qor::examples::spreadsheet {

// How many of the library's COM objects exist: each one holds a LiveObject
// for its whole life, so a host that has released everything sees 0.
QOR_SPREADSHEET_API long liveObjectCount();

class LiveObject {
public:
    LiveObject();
    ~LiveObject();
    LiveObject(LiveObject const&) = delete;
    LiveObject& operator=(LiveObject const&) = delete;
};

} // namespace qor::examples::spreadsheet
