#include "Format/Engine/JavaScript/Com/Engine/DispatchDeleter.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"

namespace qor::format::engine::javascript {
namespace {

void report(std::string_view message, std::uint32_t line) {
    assert::Assert::report(message, "qor::format::engine::javascript::DispatchDeleter",
                           "Format/Engine/JavaScript/Com/DispatchDeleter", line);
}

// The second pass, where COM may be called into: what collected wrappers
// left of their event connections is disconnected.
void disconnectRetired(v8::WeakCallbackInfo<void> const& data) {
    IsolateData::objectRegistry(data.GetIsolate()).disconnectRetired();
}

} // namespace

void DispatchDeleter(v8::WeakCallbackInfo<void> const& data) {
    auto* dispatch = static_cast<IDispatch*>(data.GetParameter());
    if (dispatch == nullptr) {
        report("data.GetParameter() should never be empty.", __LINE__);
        return;
    }
    v8::Isolate* isolate = data.GetIsolate();
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    auto& list = registry.v8ComObjectList;
    auto const found = list.find(dispatch);
    if (found == list.end()) {
        report("IDispatch should be in v8ComObjectList.", __LINE__);
        return;
    }
    // V8 wants a first-pass callback to reset its handle; the erase does.
    list.erase(found);
    registry.releaseInterfaces(dispatch);
    if (registry.retireEvents(dispatch))
        data.SetSecondPassCallback(disconnectRetired);
    dispatch->Release();
    isolate->AdjustAmountOfExternalAllocatedMemory(-ObjectRegistry::externalMemoryCharge);
}

} // namespace qor::format::engine::javascript
