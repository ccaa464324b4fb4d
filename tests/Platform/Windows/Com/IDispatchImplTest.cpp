#include "Platform/Windows/Com/IDispatchImpl.h"

#include "Platform/Windows/Com/ComObjectFixture.h"
#include "Platform/Windows/Com/DispatchArguments.h"
#include "Support/CountingCreator.h"

#include <gtest/gtest.h>

namespace qor::platform::windows::com {
namespace {

using test::CountingCreator;
using test::DispatchArguments;

// A host object of the usual kind: IDispatch comes from the base.
class Greeter : public IDispatchImpl<test::IGreeter, &test::IID_IGreeter> {
public:
    Greeter(TypeInfoAndAttribute const* record, UnknownCreationInterface* creator) : IDispatchImpl(record, creator) {}

    // Only IDispatch is called here.
    HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Greet(BSTR, BSTR*) override { return E_NOTIMPL; }
};

// Made with the one reference its maker takes.
test::IGreeter* makeGreeter(TypeInfoAndAttribute const* record, UnknownCreationInterface* creator) {
    auto* greeter = new Greeter(record, creator);
    greeter->AddRef();
    return greeter;
}

TEST(IDispatchImplWithoutTypeInfo, QueryInterfaceAddsDispatchInFrontAndNothingIsAnswered) {
    CountingCreator creator;
    test::IGreeter* greeter = makeGreeter(nullptr, &creator);
    for (IID const* iid : {&IID_IDispatch, &IID_IUnknown, &test::IID_IGreeter}) {
        void* found = nullptr;
        ASSERT_EQ(greeter->QueryInterface(*iid, &found), S_OK);
        EXPECT_EQ(found, static_cast<void*>(greeter));
        greeter->Release();
    }
    for (IID const* iid : {&IID_IDispatchEx, &IID_ITypeLib}) {
        void* refused = greeter;
        EXPECT_EQ(greeter->QueryInterface(*iid, &refused), E_NOINTERFACE);
        EXPECT_EQ(refused, nullptr);
    }

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

    EXPECT_EQ(greeter->Release(), 0u);
    EXPECT_EQ(creator.destroyed.size(), 1u);
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

TEST_F(IDispatchImplTest, CallsOfNoKnownKindAreRefused) {
    struct Case {
        DISPID id;
        IID const* iid;
        WORD flags;
        HRESULT expected;
    };
    for (auto [id, iid, flags, expected] :
         {Case{2, &IID_NULL, DISPATCH_CONSTRUCT, E_INVALIDARG}, Case{2, &IID_NULL, 0, E_INVALIDARG},
          Case{2, &IID_IUnknown, DISPATCH_METHOD, E_INVALIDARG},
          Case{99, &IID_NULL, DISPATCH_METHOD, DISP_E_MEMBERNOTFOUND}}) {
        DispatchArguments call{};
        EXPECT_EQ(greeter->Invoke(id, *iid, 0, flags, call.params(), &call.result, nullptr, nullptr), expected)
            << flags;
    }
}

} // namespace
} // namespace qor::platform::windows::com
#endif
