#include "Platform/Windows/Com/IDispatchImpl.h"

#include "Platform/Windows/Com/ComObjectFixture.h"
#include "Platform/Windows/Com/DispatchArguments.h"
#include "Support/CountingCreator.h"

#include <gtest/gtest.h>

namespace qor::platform::windows::com {
namespace {

using test::CountingCreator;
using test::DispatchArguments;

OleString textOf(VARIANT const& value) {
    return value.vt == VT_BSTR && value.bstrVal != nullptr ? OleString(value.bstrVal, SysStringLen(value.bstrVal))
                                                           : OleString();
}

// A host object of the usual kind: its interface's methods, and IDispatch from
// the base.
class Greeter : public IDispatchImpl<test::IGreeter, &test::IID_IGreeter> {
public:
    Greeter(TypeInfoAndAttribute const* record, UnknownCreationInterface* creator) : IDispatchImpl(record, creator) {}

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        *name = SysAllocStringLen(this->name.data(), static_cast<UINT>(this->name.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR name) override {
        this->name = name != nullptr ? OleString(name, SysStringLen(name)) : OleString();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Greet(BSTR who, BSTR* greeting) override {
        OleString const text = OLESTR("Hello, ") + OleString(who, SysStringLen(who)) + OLESTR(" from ") + name;
        *greeting = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    }

    OleString name = OLESTR("world");
};

// Made with the one reference its maker takes.
test::IGreeter* makeGreeter(TypeInfoAndAttribute const* record, UnknownCreationInterface* creator) {
    auto* greeter = new Greeter(record, creator);
    greeter->AddRef();
    return greeter;
}

TEST(IDispatchImplWithoutTypeInfo, AnswersNoNamesAndNoCalls) {
    CountingCreator creator;
    test::IGreeter* greeter = makeGreeter(nullptr, &creator);

    UINT count = 7;
    EXPECT_EQ(greeter->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(greeter);
    EXPECT_EQ(greeter->GetTypeInfo(0, 0, &info), E_NOTIMPL);
    EXPECT_EQ(info, nullptr);

    LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("Name"))};
    DISPID id = 0;
    EXPECT_EQ(greeter->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(greeter->GetIDsOfNames(IID_IDispatch, names, 1, 0, &id), E_INVALIDARG);

    DispatchArguments call{};
    EXPECT_EQ(greeter->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, call.params(), &call.result, nullptr, nullptr),
              E_FAIL);
    EXPECT_EQ(greeter->Invoke(1, IID_IDispatch, 0, DISPATCH_METHOD, call.params(), &call.result, nullptr, nullptr),
              E_INVALIDARG);

    void* library = greeter;
    EXPECT_EQ(greeter->QueryInterface(IID_ITypeLib, &library), E_NOINTERFACE);
    EXPECT_EQ(library, nullptr);
    EXPECT_EQ(greeter->Release(), 0u);
    EXPECT_EQ(creator.destroyed.size(), 1u);
}

TEST(IDispatchImplWithoutTypeInfo, QueryInterfaceAddsDispatchInFront) {
    test::IGreeter* greeter = makeGreeter(nullptr, nullptr);
    for (IID const* iid : {&IID_IDispatch, &IID_IUnknown, &test::IID_IGreeter}) {
        void* found = nullptr;
        ASSERT_EQ(greeter->QueryInterface(*iid, &found), S_OK);
        EXPECT_EQ(found, static_cast<void*>(greeter));
    }
    void* refused = greeter;
    EXPECT_EQ(greeter->QueryInterface(IID_IDispatchEx, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);

    EXPECT_EQ(greeter->Release(), 3u);
    for (ULONG left : {2u, 1u, 0u})
        EXPECT_EQ(greeter->Release(), left);
}

} // namespace
} // namespace qor::platform::windows::com

#ifdef QOR_COMOBJECT_FIXTURE_DIR
namespace qor::platform::windows::com {
namespace {

// The references an interface pointer holds, without changing them.
template <class Interface>
ULONG referencesOf(Interface* object) {
    object->AddRef();
    return object->Release();
}

class IDispatchImplTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::addComObjectFixture(library);
        record = library.find(test::IID_IGreeter);
        ASSERT_NE(record, nullptr);
        ASSERT_NE(record->typeInfo, nullptr);
        greeter = makeGreeter(record, &creator);
    }
    void TearDown() override {
        if (greeter != nullptr) {
            EXPECT_EQ(greeter->Release(), 0u);
        }
    }

    TypeLibrary library;
    TypeInfoAndAttribute* record = nullptr;
    CountingCreator creator;
    test::IGreeter* greeter = nullptr;
};

TEST_F(IDispatchImplTest, TypeInformationAndLibraryAreHeldAndHandedOutWithAReference) {
    UINT count = 0;
    EXPECT_EQ(greeter->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    ULONG const references = referencesOf(record->typeLib);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(greeter->GetTypeInfo(5, 1033, &info), S_OK);
    EXPECT_EQ(info, record->typeInfo);
    EXPECT_EQ(referencesOf(record->typeInfo), references + 1);
    info->Release();

    void* typeLib = nullptr;
    ASSERT_EQ(greeter->QueryInterface(IID_ITypeLib, &typeLib), S_OK);
    EXPECT_EQ(typeLib, static_cast<void*>(record->typeLib));
    EXPECT_EQ(referencesOf(record->typeLib), references + 1);
    static_cast<ITypeLib*>(typeLib)->Release();

    // The runtime's type informations share their library's count.
    test::IGreeter* second = makeGreeter(record, nullptr);
    EXPECT_EQ(referencesOf(record->typeLib), references + 2);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(referencesOf(record->typeLib), references);
}

TEST_F(IDispatchImplTest, NamesAreResolvedByTheTypeInformation) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("Greet"))};
    DISPID id = 0;
    ASSERT_EQ(greeter->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 2);
    names[0] = const_cast<LPOLESTR>(OLESTR("Nobody"));
    EXPECT_EQ(greeter->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(IDispatchImplTest, PropertiesAndMethodsAreCalledThroughTheTypeInformation) {
    DispatchArguments get{};
    ASSERT_EQ(greeter->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, get.params(), &get.result, nullptr, nullptr), S_OK);
    EXPECT_EQ(textOf(get.result), OLESTR("world"));

    DispatchArguments put{_variant_t(OLESTR("Ada"))};
    ASSERT_EQ(greeter->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, put.forPut(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(static_cast<Greeter*>(greeter)->name, OLESTR("Ada"));

    DispatchArguments greet{_variant_t(OLESTR("Bob"))};
    ASSERT_EQ(greeter->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, greet.params(), &greet.result, nullptr, nullptr), S_OK);
    EXPECT_EQ(textOf(greet.result), OLESTR("Hello, Bob from Ada"));

    // Callers that cannot tell a method from a property ask for both.
    DispatchArguments both{_variant_t(OLESTR("Cy"))};
    ASSERT_EQ(greeter->Invoke(2, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, both.params(), &both.result,
                              nullptr, nullptr),
              S_OK);
    EXPECT_EQ(textOf(both.result), OLESTR("Hello, Cy from Ada"));
}

TEST_F(IDispatchImplTest, CallsOfNoKnownKindAreRefused) {
    DispatchArguments call{};
    EXPECT_EQ(greeter->Invoke(2, IID_NULL, 0, DISPATCH_CONSTRUCT, call.params(), &call.result, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(greeter->Invoke(2, IID_NULL, 0, 0, call.params(), &call.result, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(greeter->Invoke(2, IID_IUnknown, 0, DISPATCH_METHOD, call.params(), &call.result, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(greeter->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, call.params(), &call.result, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

} // namespace
} // namespace qor::platform::windows::com
#endif
