#pragma once

#include "Platform/Com.h"

namespace qor::format::engine::javascript {

// What a script Enumerator walks: a COM collection, by index or through its
// IEnumVARIANT.
class IEnumerator {
public:
    virtual ~IEnumerator() = default;
    virtual bool atEnd() = 0;
    virtual void moveNext() = 0;
    virtual void moveFirst() = 0;
    virtual void item(VARIANT* out) = 0;
};

} // namespace qor::format::engine::javascript
