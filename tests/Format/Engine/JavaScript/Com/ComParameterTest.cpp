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

TEST(ComParameter, CopiesOwnTheirDefaultValue) {
    VARIANT value = text(OLESTR("abc"));
    ComParameter original("VT_BSTR", "s", value, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT, VT_BSTR);
    VariantClear(&value);

    ComParameter copy(original);
    ASSERT_EQ(copy.defaultValue.vt, VT_BSTR);
    EXPECT_NE(copy.defaultValue.bstrVal, original.defaultValue.bstrVal);
    EXPECT_EQ(SysStringLen(copy.defaultValue.bstrVal), 3u);
    EXPECT_EQ(copy.defaultValue.bstrVal[0], OLECHAR(u'a'));

    ComParameter assigned;
    assigned = copy;
    EXPECT_EQ(assigned.name, "s");
    EXPECT_EQ(assigned.flags, 0x31);
    EXPECT_EQ(assigned.vt, VT_BSTR);
    EXPECT_NE(assigned.defaultValue.bstrVal, copy.defaultValue.bstrVal);
}

TEST(ComParameter, AMovedFromParameterIsLeftEmpty) {
    VARIANT value = text(OLESTR("abc"));
    ComParameter original("VT_BSTR", "s", value, 0x31, VT_BSTR);
    VariantClear(&value);
    BSTR const held = original.defaultValue.bstrVal;

    ComParameter moved(std::move(original));
    EXPECT_EQ(moved.defaultValue.bstrVal, held);
    EXPECT_EQ(original.defaultValue.vt, VT_EMPTY);

    ComParameter target;
    target = std::move(moved);
    EXPECT_EQ(target.defaultValue.bstrVal, held);
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
