#pragma once

// The process's startup snapshot: a context with the global object every
// engine starts from, made once in memory by the first engine that tries, and
// what V8 needs to read it back. It is an optimisation: anything that goes
// wrong while it is tried turns it off for the process, and engines build
// their contexts the plain way.

#include <v8.h>

#include <cstdint>
#include <vector>

namespace qor::format::engine::javascript::StartupSnapshot {

// True until an engine had to make its isolate without the snapshot.
bool isEnabled();
void disable();

// The blob, once made; null before.
v8::StartupData* blob();
// Keeps `made` as the process's blob, freeing an earlier one.
void keep(v8::StartupData made);

// While a snapshot is made, the native addresses its templates refer to are
// noted here, so that one missing from the external references is found
// before V8 meets it (V8 ends the process then).
void note(std::intptr_t address);
template <class T>
T* noted(T* address) {
    note(reinterpret_cast<std::intptr_t>(address));
    return address;
}

class Recording {
public:
    Recording();
    Recording(Recording const&) = delete;
    Recording& operator=(Recording const&) = delete;
    ~Recording();
    // True when every noted address is one of `references`.
    bool coveredBy(std::vector<std::intptr_t> const& references) const;

private:
    std::vector<std::intptr_t> addresses;
};

// Internal fields: a pointer becomes an 8-byte payload, null an empty one.
v8::StartupData serializeField(v8::Local<v8::Object> holder, int index, void* data);
void deserializeField(v8::Local<v8::Object> holder, int index, v8::StartupData payload, void* data);

// For tests: the next attempt fails as if something had gone wrong, or the
// external references lose their entry at `index`.
void failNextAttempt();
bool takeInjectedFailure();
void dropReferenceForTesting(std::size_t index);
void applyDroppedReference(std::vector<std::intptr_t>& references);

} // namespace qor::format::engine::javascript::StartupSnapshot
