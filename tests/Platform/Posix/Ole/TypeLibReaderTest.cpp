#include "Platform/Posix/Ole/TypeLibReader.h"

#include <gtest/gtest.h>

namespace {
TEST(TypeLibReader, Placeholder) { SUCCEED(); }
}
