#include <gtest/gtest.h>

#include <string_view>

#include "Platform/Com.h"
#include "Support/CountedObject.h"
#include "Support/CountedRecordInfo.h"

namespace {

using qor::test::CountedDispatch;
using qor::test::CountedRecordInfo;
using qor::test::TextRecord;

TEST(Variant, CopyAndClearBalanceInterfaceReferences)
{
    CountedDispatch object;
    VARIANT source{}, copy{};
    source.vt = VT_ARRAY | VT_DISPATCH;
    source.parray = SafeArrayCreateVector(VT_DISPATCH, 0, 2);
    LONG index = 1;
    SafeArrayPutElement(source.parray, &index, static_cast<IDispatch*>(&object));
    // A copy of an array copies its elements; copying over a VARIANT
    // releases what it held first.
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
        EXPECT_NE(copy.parray, source.parray);
        EXPECT_EQ(object.refCount(), 3);
    }
    VARIANT byRef{};
    byRef.vt = VT_ARRAY | VT_DISPATCH | VT_BYREF;
    byRef.pparray = &source.parray;
    ASSERT_EQ(VariantCopyInd(&copy, &byRef), S_OK);
    EXPECT_EQ(copy.vt, VT_ARRAY | VT_DISPATCH);
    EXPECT_EQ(object.refCount(), 3);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
    VariantClear(&source);
    EXPECT_TRUE(object.balanced());
}

TEST(Variant, CopyDuplicatesStringsWithTheirLengthAndFollowsReferences)
{
    _variant_t source;
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(u"a\0b", 3);
    VARIANT copy{};
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    EXPECT_EQ(std::u16string_view(copy.bstrVal, SysStringLen(copy.bstrVal)), std::u16string_view(u"a\0b", 3));
    VariantClear(&copy);
    VARIANT null{};
    null.vt = VT_BSTR;
    ASSERT_EQ(VariantCopy(&copy, &null), S_OK);
    ASSERT_NE(copy.bstrVal, nullptr) << "a null BSTR is the empty text";
    EXPECT_EQ(SysStringLen(copy.bstrVal), 0u);
    VariantClear(&copy);

    VARIANT byRef{};
    byRef.vt = VT_BSTR | VT_BYREF;
    byRef.pbstrVal = &source.bstrVal;
    ASSERT_EQ(VariantCopyInd(&copy, &byRef), S_OK);
    EXPECT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    VariantClear(&copy);
    // Clearing a reference leaves the referenced value alone.
    EXPECT_EQ(VariantClear(&byRef), S_OK);

    DECIMAL dec{};
    dec.Lo64 = 12345;
    dec.scale = 2;
    VARIANT inner{}, outer{};
    inner.vt = VT_DECIMAL | VT_BYREF;
    inner.pdecVal = &dec;
    outer.vt = VT_VARIANT | VT_BYREF;
    outer.pvarVal = &inner;
    // In place, as callers do to strip a reference.
    ASSERT_EQ(VariantCopyInd(&outer, &outer), S_OK);
    EXPECT_EQ(outer.vt, VT_DECIMAL);
    EXPECT_EQ(outer.decVal.Lo64, 12345u);
    EXPECT_EQ(outer.decVal.scale, 2);

    VARIANT dangling{};
    dangling.vt = VT_I4 | VT_BYREF;
    EXPECT_EQ(VariantCopyInd(&copy, &dangling), E_INVALIDARG);
}

// A record VARIANT owns its record: a copy is a record of its own, which
// clearing clears and frees, and each holds the IRecordInfo once.
TEST(Variant, CopyAndClearOwnTheirRecords)
{
    CountedRecordInfo info;
    TextRecord original{SysAllocString(u"text")};
    VARIANT source{}, copy{};
    source.vt = VT_RECORD;
    source.pvRecord = &original;
    source.pRecInfo = &info;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    ASSERT_NE(copy.pvRecord, source.pvRecord);
    EXPECT_EQ(std::u16string_view(static_cast<TextRecord*>(copy.pvRecord)->text), u"text");
    EXPECT_EQ(info.refCount(), 2);
    VARIANT byRef = source;
    byRef.vt = VT_RECORD | VT_BYREF;
    ASSERT_EQ(VariantCopyInd(&copy, &byRef), S_OK);
    EXPECT_EQ(info.copies(), 2);
    EXPECT_EQ(info.clears(), 1) << "the record copied over is cleared";
    // A change to its own type is a copy; to any other, a mismatch that
    // leaves the target as it was.
    VARIANT changed{};
    ASSERT_EQ(VariantChangeType(&changed, &byRef, 0, VT_RECORD), S_OK);
    EXPECT_EQ(changed.vt, VT_RECORD);
    EXPECT_EQ(VariantChangeType(&changed, &copy, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(changed.vt, VT_RECORD);
    EXPECT_EQ(info.refCount(), 3);
    ASSERT_EQ(VariantClear(&changed), S_OK);
    ASSERT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(info.clears(), info.copies()) << "every copy made is cleared";
    EXPECT_TRUE(info.balanced());
    SysFreeString(original.text);
}

TEST(Variant, InvalidTypesNullsAndLockedArraysAreRefused)
{
    VARIANT v{};
    for (VARTYPE bad : {VARTYPE(15), VARTYPE(VT_VECTOR | VT_I4), VARTYPE(VT_EMPTY | VT_BYREF),
                        VARTYPE(VT_NULL | VT_ARRAY), VARTYPE(VT_VOID), VARTYPE(0x7FFF)}) {
        v.vt = bad;
        EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << bad;
        VARIANT target{};
        EXPECT_EQ(VariantCopy(&target, &v), DISP_E_BADVARTYPE) << bad;
    }
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
    EXPECT_EQ(VariantCopy(nullptr, &v), E_INVALIDARG);
    VariantInit(nullptr);

    v.vt = VT_ARRAY | VT_I4;
    v.parray = SafeArrayCreateVector(VT_I4, 0, 2);
    SafeArrayLock(v.parray);
    EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.vt, VT_ARRAY | VT_I4);
    SafeArrayUnlock(v.parray);
    EXPECT_EQ(VariantClear(&v), S_OK);
}

} // namespace
