#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace qor::format::engine::javascript::StartupSnapshot {
namespace {

// Process-wide, filled without a lock: engines of a process are not
// initialised at the same time.
bool enabled = true;
v8::StartupData* madeBlob = nullptr;
std::vector<std::intptr_t>* recording = nullptr;
bool injectedFailure = false;
std::optional<std::size_t> droppedReference;

} // namespace

bool isEnabled() {
    return enabled;
}

void disable() {
    enabled = false;
}

v8::StartupData* blob() {
    return madeBlob;
}

void keep(v8::StartupData made) {
    if (madeBlob != nullptr) {
        delete[] madeBlob->data;
        delete madeBlob;
    }
    madeBlob = new v8::StartupData(made);
}

void note(std::intptr_t address) {
    if (recording != nullptr)
        recording->push_back(address);
}

Recording::Recording() {
    recording = &addresses;
}

Recording::~Recording() {
    recording = nullptr;
}

bool Recording::coveredBy(std::vector<std::intptr_t> const& references) const {
    // Both lists grow with the classes: searched sorted, not one by one.
    std::vector<std::intptr_t> known = references;
    std::ranges::sort(known);
    return std::ranges::all_of(addresses,
                               [&](std::intptr_t address) { return std::ranges::binary_search(known, address); });
}

v8::StartupData serializeField(v8::Local<v8::Object> holder, int index, void*) {
    void* pointer = holder->GetAlignedPointerFromInternalField(index);
    if (pointer == nullptr)
        return {nullptr, 0};
    char* payload = new char[sizeof pointer];
    std::memcpy(payload, &pointer, sizeof pointer);
    return {payload, static_cast<int>(sizeof pointer)};
}

void deserializeField(v8::Local<v8::Object> holder, int index, v8::StartupData payload, void*) {
    if (payload.raw_size == 0) {
        holder->SetAlignedPointerInInternalField(index, nullptr);
        return;
    }
    if (payload.raw_size != static_cast<int>(sizeof(void*)))
        return;
    void* pointer = nullptr;
    std::memcpy(&pointer, payload.data, sizeof pointer);
    holder->SetAlignedPointerInInternalField(index, pointer);
}

void failNextAttempt() {
    injectedFailure = true;
}

bool takeInjectedFailure() {
    return std::exchange(injectedFailure, false);
}

void dropReferenceForTesting(std::size_t index) {
    droppedReference = index;
}

void applyDroppedReference(std::vector<std::intptr_t>& references) {
    if (droppedReference && *droppedReference + 1 < references.size())
        references.erase(references.begin() + static_cast<std::ptrdiff_t>(*droppedReference));
    droppedReference.reset();
}

} // namespace qor::format::engine::javascript::StartupSnapshot
