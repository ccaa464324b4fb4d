#pragma once

namespace qor::examples::spreadsheet {

// How many of the library's COM objects exist: each one holds a LiveObject
// for its whole life, so a host that has released everything sees 0. Hosts
// and tests read it through the exported QorSpreadsheetLiveObjects().
long liveObjectCount();

class LiveObject {
public:
    LiveObject();
    ~LiveObject();
    LiveObject(LiveObject const&) = delete;
    LiveObject& operator=(LiveObject const&) = delete;
};

} // namespace qor::examples::spreadsheet
