#pragma once

#include <v8.h>

namespace qor::format::engine::javascript {

// The weak callback of a wrapper whose COM object it owns: gives the object
// back once V8 has collected the wrapper. Its parameter is the IDispatch*.
void DispatchDeleter(v8::WeakCallbackInfo<void> const& data);

} // namespace qor::format::engine::javascript
