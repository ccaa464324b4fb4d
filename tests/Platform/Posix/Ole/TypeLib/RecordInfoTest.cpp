// Records declared in a type library, through their IRecordInfo: fields of
// every kind put, read, copied and cleared, with what they own balanced; and
// how long a record info keeps its library. Wine's conformance suite checks
// the rest (vartype.c, test_recinfo).

#include "Platform/Posix/Ole/TypeLib/TypeLibFixtures.h"
#include "Support/CountedObject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

namespace qor::test {
namespace {

// The C layout of QorFixtureExt.idl's Labelled.
struct Point {
    LONG x;
    LONG y;
    DOUBLE weight;
};
struct Labelled {
    BSTR label;
    Point at;
    VARIANT extra;
    IDispatch* owner;
    SAFEARRAY* values;
    SHORT pair[2];
};

GUID const labelledGuid = fixtureGuid(0x27);
GUID const pointGuid = fixtureGuid(0x11);

Ref<IRecordInfo> recordInfoOf(ITypeLib* lib, GUID const& guid) {
    Ref<IRecordInfo> info;
    Ref<ITypeInfo> type = typeInfoOf(lib, guid);
    if (type)
        GetRecordInfoFromTypeInfo(type.get(), info.put());
    return info;
}

class Owner : public CountedObject<IDispatch> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};

HRESULT put(IRecordInfo* info, Labelled& record, char16_t const* field, _variant_t value) {
    return info->PutField(INVOKE_PROPERTYPUT, &record, field, &value);
}

TEST(RecordInfo, FieldsOfEveryKindArePutReadCopiedAndClearedWithWhatTheyOwn) {
    Ref<ITypeLib> lib = loadFixture("QorFixtureExt.tlb");
    Ref<IRecordInfo> info = recordInfoOf(lib.get(), labelledGuid);
    ASSERT_TRUE(info);
    ULONG size = 0;
    ASSERT_EQ(info->GetSize(&size), S_OK);
    EXPECT_EQ(size, sizeof(Labelled));
    ULONG count = 0;
    ASSERT_EQ(info->GetFieldNames(&count, nullptr), S_OK);
    EXPECT_EQ(count, 6u);

    Labelled record;
    std::memset(&record, 0xAB, sizeof record);
    ASSERT_EQ(info->RecordInit(&record), S_OK);
    Owner owner;
    // A value of another type is converted to the field's.
    EXPECT_EQ(put(info.get(), record, u"label", 42L), S_OK);
    EXPECT_EQ(std::u16string_view(record.label), u"42");
    EXPECT_EQ(put(info.get(), record, u"EXTRA", _variant_t(u"text")), S_OK) << "names in any case";
    EXPECT_EQ(put(info.get(), record, u"owner", _variant_t(static_cast<IDispatch*>(&owner))), S_OK);
    EXPECT_EQ(owner.refCount(), 2);
    _variant_t values;
    values.vt = VT_ARRAY | VT_I4;
    values.parray = SafeArrayCreateVector(VT_I4, 0, 3);
    EXPECT_EQ(put(info.get(), record, u"values", values), S_OK);

    // An embedded record takes a copy of a record of its own type only.
    Ref<ITypeLib> imported = loadFixture("QorFixture.tlb");
    Ref<IRecordInfo> pointInfo = recordInfoOf(imported.get(), pointGuid);
    ASSERT_TRUE(pointInfo);
    Point point{3, 4, 0.5};
    VARIANT pointValue{};
    pointValue.vt = VT_RECORD;
    pointValue.pvRecord = &point;
    pointValue.pRecInfo = pointInfo.get();
    EXPECT_EQ(info->PutField(INVOKE_PROPERTYPUT, &record, u"at", &pointValue), S_OK);
    EXPECT_EQ(record.at.y, 4);
    pointValue.pRecInfo = info.get();
    EXPECT_EQ(info->PutField(INVOKE_PROPERTYPUT, &record, u"at", &pointValue), DISP_E_TYPEMISMATCH);

    _variant_t read;
    ASSERT_EQ(info->GetField(&record, u"at", &read), S_OK);
    ASSERT_EQ(read.vt, VT_RECORD);
    EXPECT_NE(read.pvRecord, static_cast<void*>(&record.at));
    EXPECT_EQ(static_cast<Point*>(read.pvRecord)->weight, 0.5);
    ASSERT_EQ(info->GetField(&record, u"owner", &read), S_OK);
    EXPECT_EQ(owner.refCount(), 3);
    read.Clear();
    VARIANT inPlace{};
    void* array = nullptr;
    ASSERT_EQ(info->GetFieldNoCopy(&record, u"pair", &inPlace, &array), S_OK);
    EXPECT_EQ(inPlace.vt, VT_BYREF | VT_I2);
    EXPECT_EQ(array, static_cast<void*>(record.pair));
    EXPECT_EQ(info->GetField(&record, u"pair", &read), DISP_E_BADVARTYPE) << "a C array is no one VARIANT";
    EXPECT_EQ(info->GetField(&record, u"nothing", &read), TYPE_E_FIELDNOTFOUND);

    Labelled copy{};
    ASSERT_EQ(info->RecordCopy(&record, &copy), S_OK);
    EXPECT_NE(copy.label, record.label);
    EXPECT_NE(copy.values, record.values);
    EXPECT_EQ(copy.extra.vt, VT_BSTR);
    EXPECT_NE(copy.extra.bstrVal, record.extra.bstrVal);
    EXPECT_EQ(owner.refCount(), 3);
    ASSERT_EQ(info->RecordClear(&record), S_OK);
    EXPECT_EQ(record.label, nullptr);
    EXPECT_EQ(record.extra.vt, VT_EMPTY);
    EXPECT_EQ(owner.refCount(), 2);
    // The block a record info makes is the one VariantClear frees.
    VARIANT held{};
    held.vt = VT_RECORD;
    held.pRecInfo = info.get();
    ASSERT_EQ(info->RecordCreateCopy(&copy, &held.pvRecord), S_OK);
    info->AddRef();
    EXPECT_EQ(owner.refCount(), 3);
    ASSERT_EQ(info->RecordClear(&copy), S_OK);
    ASSERT_EQ(VariantClear(&held), S_OK);
    EXPECT_TRUE(owner.balanced()) << owner.refCount();
}

// A record info holds its type, and with it its library, until it goes;
// GetRecordInfoFromGuids finds only a library still held.
TEST(RecordInfo, ARecordInfoKeepsItsLibraryAndTheGuidsFindOnlyHeldLibraries) {
    GUID const fixtureLib = fixtureGuid(0x01);
    Ref<IRecordInfo> info;
    {
        Ref<ITypeLib> lib = loadFixture("QorFixture.tlb");
        ASSERT_EQ(GetRecordInfoFromGuids(fixtureLib, 1, 2, 0, pointGuid, info.put()), S_OK);
        Ref<IRecordInfo> other;
        EXPECT_EQ(GetRecordInfoFromGuids(fixtureLib, 1, 3, 0, pointGuid, other.put()), TYPE_E_LIBNOTREGISTERED)
            << "a later minor version than there is";
        Ref<ITypeInfo> calc = typeInfoOf(lib.get(), fixtureGuid(0x02));
        EXPECT_EQ(GetRecordInfoFromTypeInfo(calc.get(), other.put()), E_INVALIDARG) << "an interface is no record";
    }
    Ref<IRecordInfo> again;
    EXPECT_EQ(GetRecordInfoFromGuids(fixtureLib, 1, 0, 0, pointGuid, again.put()), S_OK) << "held by the record info";
    EXPECT_TRUE(again->IsMatchingType(info.get()));
    BSTR name = nullptr;
    ASSERT_EQ(again->GetName(&name), S_OK);
    EXPECT_EQ(std::u16string_view(name), u"Point");
    SysFreeString(name);
    info.reset();
    again.reset();
    EXPECT_EQ(GetRecordInfoFromGuids(fixtureLib, 1, 0, 0, pointGuid, again.put()), TYPE_E_LIBNOTREGISTERED);
}

} // namespace
} // namespace qor::test
