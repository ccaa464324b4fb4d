#pragma once

#include "Support/CountedObject.h"

namespace qor::test {

// A counted IDispatch that reports a type description; the name says what
// the test's object stands for.
using TypedDispatch = CountedDispatch;

} // namespace qor::test
