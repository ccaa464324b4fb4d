#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "Platform/Com.h"
#include "Support/CountedObject.h"
#include "Support/CountedRecordInfo.h"

namespace {

using qor::test::CountedDispatch;
using qor::test::CountedRecordInfo;
using qor::test::TextRecord;

TEST(SafeArray, BoundsAndLayoutFollowWindows)
{
    SAFEARRAYBOUND bounds[] = {{3, 0}, {2, 10}};
    SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(psa, nullptr);
    LONG lower = 0, upper = 0;
    VARTYPE vt = VT_EMPTY;
    for (HRESULT hr :
         {SafeArrayGetLBound(psa, 2, &lower), SafeArrayGetUBound(psa, 2, &upper), SafeArrayGetVartype(psa, &vt)})
        EXPECT_EQ(hr, S_OK);
    // Stored reversed: the rightmost dimension comes first.
    EXPECT_EQ((std::vector<LONG>{LONG(SafeArrayGetDim(psa)), LONG(SafeArrayGetElemsize(psa)), lower, upper,
                                 psa->rgsabound[0].lLbound, vt}),
              (std::vector<LONG>{2, 4, 10, 11, 10, VT_I4}));

    // The first index varies fastest.
    LONG index[] = {1, 11};
    LONG value = 42;
    ASSERT_EQ(SafeArrayPutElement(psa, index, &value), S_OK);
    LONG* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(data[4], 42);
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, BadIndicesAndArgumentsAreRefused)
{
    SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, -2, 3);
    double value = 1.5;
    for (LONG index : {1, -3})
        EXPECT_EQ(SafeArrayPutElement(psa, &index, &value), DISP_E_BADINDEX) << index;
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(psa, 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(psa, 2, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &bound), E_INVALIDARG);
    void* cell = nullptr;
    EXPECT_EQ(SafeArrayAccessData(nullptr, &cell), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
    EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, nullptr), nullptr);
    SafeArrayDestroy(psa);
}

TEST(SafeArray, OwnsStringsVariantsAndInterfaces)
{
    CountedDispatch object;
    SAFEARRAY* objects = SafeArrayCreateVector(VT_DISPATCH, 0, 2);
    LONG index = 0;
    for (; index < 2; ++index)
        ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IDispatch*>(&object)), S_OK);
    EXPECT_EQ(object.refCount(), 3);
    index = 1;
    IDispatch* read = nullptr;
    ASSERT_EQ(SafeArrayGetElement(objects, &index, &read), S_OK);
    EXPECT_EQ(object.refCount(), 4);
    read->Release();
    GUID iid{};
    EXPECT_EQ(SafeArrayGetIID(objects, &iid), S_OK);
    EXPECT_EQ(iid, IID_IDispatch);

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(objects, &copy), S_OK);
    EXPECT_EQ(object.refCount(), 5);
    SafeArrayDestroy(copy);
    SafeArrayDestroy(objects);
    EXPECT_TRUE(object.balanced());

    // Strings are copied in and out; a VARIANT holding an array of them
    // is copied whole.
    _variant_t element;
    element.vt = VT_ARRAY | VT_BSTR;
    element.parray = SafeArrayCreateVector(VT_BSTR, 1, 1);
    index = 1;
    ASSERT_EQ(SafeArrayPutElement(element.parray, &index, _bstr_t(u"abc").GetBSTR()), S_OK);
    _bstr_t got;
    ASSERT_EQ(SafeArrayGetElement(element.parray, &index, got.GetAddress()), S_OK);
    EXPECT_EQ(std::u16string_view(got), u"abc");
    SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    index = 0;
    ASSERT_EQ(SafeArrayPutElement(variants, &index, &element), S_OK);
    SAFEARRAY* variantsCopy = nullptr;
    ASSERT_EQ(SafeArrayCopy(variants, &variantsCopy), S_OK);
    SafeArrayDestroy(variants);
    _variant_t out;
    ASSERT_EQ(SafeArrayGetElement(variantsCopy, &index, &out), S_OK);
    EXPECT_EQ(out.vt, VT_ARRAY | VT_BSTR);
    SafeArrayDestroy(variantsCopy);
}

TEST(SafeArray, RedimKeepsLeadingElementsAndReleasesCutOnes)
{
    CountedDispatch object;
    SAFEARRAY* psa = SafeArrayCreateVector(VT_UNKNOWN, 0, 3);
    for (LONG i = 0; i < 3; ++i)
        SafeArrayPutElement(psa, &i, object.unknown());
    EXPECT_EQ(object.refCount(), 4);
    SAFEARRAYBOUND smaller{1, 0};
    ASSERT_EQ(SafeArrayRedim(psa, &smaller), S_OK);
    EXPECT_EQ(object.refCount(), 2);
    SAFEARRAYBOUND larger{4, 5};
    ASSERT_EQ(SafeArrayRedim(psa, &larger), S_OK);
    LONG upper = 0;
    SafeArrayGetUBound(psa, 1, &upper);
    EXPECT_EQ(upper, 8);
    LONG index = 6;
    IUnknown* empty = reinterpret_cast<IUnknown*>(1);
    ASSERT_EQ(SafeArrayGetElement(psa, &index, &empty), S_OK);
    EXPECT_EQ(empty, nullptr);
    SafeArrayLock(psa);
    EXPECT_EQ(SafeArrayRedim(psa, &smaller), DISP_E_ARRAYISLOCKED);
    SafeArrayUnlock(psa);
    SafeArrayDestroy(psa);
    EXPECT_TRUE(object.balanced());
}

TEST(SafeArray, DescriptorsWithoutDataAndCopiesOfData)
{
    SAFEARRAY* bare = nullptr;
    ASSERT_EQ(SafeArrayAllocDescriptorEx(VT_I2, 1, &bare), S_OK);
    bare->rgsabound[0] = {2, 0};
    LONG index = 0;
    void* cell = nullptr;
    EXPECT_EQ(SafeArrayPtrOfIndex(bare, &index, &cell), E_UNEXPECTED);
    SHORT value = 3;
    EXPECT_EQ(SafeArrayPutElement(bare, &index, &value), E_UNEXPECTED);
    ASSERT_EQ(SafeArrayAllocData(bare), S_OK);
    EXPECT_EQ(SafeArrayPutElement(bare, &index, &value), S_OK);

    SAFEARRAY* target = SafeArrayCreateVector(VT_I2, 0, 2);
    ASSERT_EQ(SafeArrayCopyData(bare, target), S_OK);
    SHORT read = 0;
    SafeArrayGetElement(target, &index, &read);
    EXPECT_EQ(read, 3);
    SAFEARRAY* other = SafeArrayCreateVector(VT_I2, 0, 3);
    EXPECT_EQ(SafeArrayCopyData(bare, other), E_INVALIDARG);
    SAFEARRAY* empty = nullptr;
    ASSERT_EQ(SafeArrayAllocDescriptorEx(VT_I2, 1, &empty), S_OK);
    empty->rgsabound[0] = {2, 0};
    EXPECT_EQ(SafeArrayCopyData(empty, target), E_INVALIDARG) << "no data to copy from";
    EXPECT_EQ(SafeArrayCopyData(bare, empty), E_INVALIDARG) << "no data to copy into";
    EXPECT_EQ(SafeArrayDestroyDescriptor(empty), S_OK);
    SAFEARRAY* none = nullptr;
    EXPECT_EQ(SafeArrayAllocDescriptor(0, &none), E_INVALIDARG);
    SafeArrayDestroy(other);
    SafeArrayDestroy(target);
    EXPECT_EQ(SafeArrayDestroy(bare), S_OK);
}

// A record array holds its IRecordInfo once, copies records through it and
// clears them when it goes; a copy of the array holds it once more.
TEST(SafeArray, RecordArraysOwnTheirRecords)
{
    CountedRecordInfo info;
    SAFEARRAYBOUND bound{2, 0};
    SAFEARRAY* psa = SafeArrayCreateEx(VT_RECORD, 1, &bound, static_cast<IRecordInfo*>(&info));
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(psa->cbElements, sizeof(TextRecord));
    TextRecord record{SysAllocString(u"text")};
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(psa, &index, &record), S_OK);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
    EXPECT_EQ(info.refCount(), 3);
    TextRecord read{};
    ASSERT_EQ(SafeArrayGetElement(copy, &index, &read), S_OK);
    EXPECT_EQ(std::u16string_view(read.text), u"text");
    info.RecordClear(&read);
    IRecordInfo* held = nullptr;
    ASSERT_EQ(SafeArrayGetRecordInfo(copy, &held), S_OK);
    EXPECT_EQ(held, &info);
    held->Release();
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    EXPECT_EQ(info.clears(), 5) << "two records in each array, and the one read";
    EXPECT_TRUE(info.balanced());
    SysFreeString(record.text);
}

} // namespace
