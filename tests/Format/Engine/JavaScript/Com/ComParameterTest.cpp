#include "Format/Engine/JavaScript/Com/ComParameter.h"

#include <gtest/gtest.h>

#include <utility>

namespace qor::format::engine::javascript {
namespace {

VARIANT text(OLECHAR const* value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = SysAllocString(value);
    return variant;
}

TEST(ComParameter, CopiesOwnTheirDefaultValueAndMovesLeaveTheSourceEmpty) {
    VARIANT value = text(OLESTR("abc"));
    ComParameter original("VT_BSTR", "s", value, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT, VT_BSTR);
    VariantClear(&value);

    ComParameter assigned;
    assigned = original;
    ComParameter copy(assigned);
    EXPECT_EQ(copy.name, "s");
    EXPECT_EQ(copy.flags, 0x31);
    ASSERT_EQ(copy.defaultValue.vt, VT_BSTR);
    EXPECT_NE(copy.defaultValue.bstrVal, assigned.defaultValue.bstrVal);
    EXPECT_NE(assigned.defaultValue.bstrVal, original.defaultValue.bstrVal);
    EXPECT_EQ(SysStringLen(copy.defaultValue.bstrVal), 3u);

    BSTR const held = original.defaultValue.bstrVal;
    ComParameter moved(std::move(original));
    ComParameter target;
    target = std::move(moved);
    EXPECT_EQ(target.defaultValue.bstrVal, held);
    EXPECT_EQ(original.defaultValue.vt, VT_EMPTY);
    EXPECT_EQ(moved.defaultValue.vt, VT_EMPTY);
}

TEST(ComParameter, AValueThatCannotBeCopiedRaisesTheComError) {
    VARIANT broken;
    VariantInit(&broken);
    broken.vt = 0x7FFF;
    try {
        ComParameter parameter("", "p", broken, 0x20, VT_VARIANT);
        FAIL() << "no error raised";
    } catch (_com_error const& error) {
        EXPECT_TRUE(FAILED(error.Error()));
    }
}

} // namespace
} // namespace qor::format::engine::javascript
