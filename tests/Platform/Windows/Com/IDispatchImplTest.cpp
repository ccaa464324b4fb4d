#include "Platform/Windows/Com/IDispatchImpl.h"

#include "Platform/Windows/Com/ComObjectFixture.h"
#include "Platform/Windows/Com/DispatchArguments.h"
#include "Support/CountingCreator.h"

#include <gtest/gtest.h>

namespace qor::platform::windows::com {
namespace {

using test::CountingCreator;
using test::DispatchArguments;

// A host object of the usual kind: IUnknown and IDispatch come from the bases.
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
    EXPECT_EQ(creator.created, (std::vector<IUnknown*>{greeter}));
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
    EXPECT_EQ(greeter->QueryInterface(IID_IDispatch, nullptr), E_POINTER);

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
    // A call of no known kind, or for another interface, is refused first.
    DispatchArguments call{};
    for (auto [iid, flags, expected] : {std::tuple{&IID_NULL, WORD{DISPATCH_PROPERTYGET}, E_FAIL},
                                        std::tuple{&IID_NULL, WORD{DISPATCH_CONSTRUCT}, E_INVALIDARG},
                                        std::tuple{&IID_IDispatch, WORD{DISPATCH_METHOD}, E_INVALIDARG}})
        EXPECT_EQ(greeter->Invoke(1, *iid, 0, flags, call.params(), &call.result, nullptr, nullptr), expected) << flags;

    EXPECT_EQ(greeter->Release(), 0u);
    EXPECT_EQ(creator.destroyed, (std::vector<IUnknown*>{greeter}));
}

// A creator that dies before its objects clears their link to it.
TEST(IUnknownImpl, AClearedCreatorIsNotToldOfTheDeath) {
    CountingCreator creator;
    test::IGreeter* greeter = makeGreeter(nullptr, &creator);
    void* found = nullptr;
    ASSERT_EQ(greeter->QueryInterface(IID_UnknownCreationHelper, &found), S_OK);
    EXPECT_NE(found, static_cast<void*>(greeter));
    auto* helper = static_cast<UnknownCreationHelperInterface*>(found);
    EXPECT_EQ(helper->getCreator(), &creator);
    helper->clearCreator();
    EXPECT_EQ(helper->getCreator(), nullptr);
    // The helper took no reference: one Release frees the object.
    EXPECT_EQ(greeter->Release(), 0u);
    EXPECT_TRUE(creator.destroyed.empty());
}

} // namespace
} // namespace qor::platform::windows::com
