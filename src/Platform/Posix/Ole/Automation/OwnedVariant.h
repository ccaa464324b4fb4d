#pragma once

// A VARIANT that clears itself: the intermediate values of conversions,
// formatting and arithmetic.

#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole {

struct OwnedVariant {
    VARIANT v;
    OwnedVariant() { VariantInit(&v); }
    ~OwnedVariant() { VariantClear(&v); }
    OwnedVariant(OwnedVariant const&) = delete;
    OwnedVariant& operator=(OwnedVariant const&) = delete;
};

} // namespace qor::platform::posix::ole
