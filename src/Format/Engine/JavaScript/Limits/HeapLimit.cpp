#include "Format/Engine/JavaScript/Limits/HeapLimit.h"

#include <algorithm>

namespace qor::format::engine::javascript {
namespace {

// What a terminated script may still allocate while it unwinds: V8 finishes
// the allocation that reached the limit, and builtins run on to their end.
std::size_t headroom(std::size_t initial) { return std::max<std::size_t>(initial / 4, std::size_t{32} << 20); }

} // namespace

void HeapLimit::configure(v8::Isolate::CreateParams& params) const {
    if (limit)
        params.constraints.ConfigureDefaultsFromHeapSize(0, *limit);
}

void HeapLimit::watch(v8::Isolate* watched) {
    if (!limit)
        return;
    if (isolate != nullptr)
        isolate->RemoveNearHeapLimitCallback(nearLimit, 0);
    isolate = watched;
    raised = false;
    if (isolate != nullptr)
        isolate->AddNearHeapLimitCallback(nearLimit, this);
}

void HeapLimit::restoreLimit() {
    if (isolate == nullptr)
        return;
    raised = false;
    isolate->LowMemoryNotification();
    // V8 keeps the limit above what is still alive: a heap the scripts keep
    // full ends the next run that grows it.
    isolate->RemoveNearHeapLimitCallback(nearLimit, initial);
    isolate->AddNearHeapLimitCallback(nearLimit, this);
}

std::size_t HeapLimit::nearLimit(void* data, std::size_t current, std::size_t initial) {
    auto& self = *static_cast<HeapLimit*>(data);
    self.initial = initial;
    self.raised = true;
    // Outside a run this only lends room; the next run's end gives it back.
    self.termination.terminate(ScriptTermination::Reason::heapLimit);
    v8::HeapStatistics statistics;
    self.isolate->GetHeapStatistics(&statistics);
    return std::max(current, statistics.used_heap_size()) + headroom(initial);
}

} // namespace qor::format::engine::javascript
