#pragma once

namespace qor::format::engine::javascript {

// One of the library's own COM objects that holds handles into an isolate.
// COM clients may keep such an object past its engine; the engine tells it
// to let go of the isolate first, and from then on it answers without one.
class IsolateBound {
public:
    virtual void detachFromIsolate() = 0;

protected:
    ~IsolateBound() = default;
};

} // namespace qor::format::engine::javascript
