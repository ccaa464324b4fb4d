#include "Platform/Windows/Com/IUnknownImpl.h"

#include "Support/CountingCreator.h"

#include <gtest/gtest.h>

namespace qor::platform::windows::com {
namespace {

using test::CountingCreator;

// An enumerator with nothing to give: the smallest object a concrete class
// makes of IUnknownImpl, adding only its own methods.
class EmptyEnumerator : public IUnknownImpl<IEnumVARIANT, &IID_IEnumVARIANT> {
public:
    EmptyEnumerator(UnknownCreationInterface* creator, bool* destroyed) : IUnknownImpl(creator), destroyed(destroyed) {}
    ~EmptyEnumerator() override { *destroyed = true; }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
        if (fetched != nullptr)
            *fetched = 0;
        return count == 0 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return count == 0 ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Reset() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
        *copy = nullptr;
        return E_NOTIMPL;
    }

private:
    bool* destroyed;
};

TEST(IUnknownImpl, QueryInterfaceGivesTheObjectWithAReferenceAndTheCreatorHearsOfBirthAndDeath) {
    CountingCreator creator;
    bool destroyed = false;
    IEnumVARIANT* object = new EmptyEnumerator(&creator, &destroyed);
    EXPECT_EQ(object->AddRef(), 1u);
    EXPECT_EQ(creator.created, (std::vector<IUnknown*>{object}));
    for (IID const* iid : {&IID_IUnknown, &IID_IEnumVARIANT}) {
        void* found = nullptr;
        ASSERT_EQ(object->QueryInterface(*iid, &found), S_OK);
        EXPECT_EQ(found, static_cast<void*>(object));
    }
    void* refused = object;
    EXPECT_EQ(object->QueryInterface(IID_IDispatch, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(object->QueryInterface(IID_IEnumVARIANT, nullptr), E_POINTER);
    EXPECT_EQ(object->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(creator.destroyed.empty());
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(creator.destroyed, (std::vector<IUnknown*>{object}));
}

TEST(IUnknownImpl, AClearedCreatorIsNotToldOfTheDeath) {
    CountingCreator creator;
    bool destroyed = false;
    IEnumVARIANT* object = new EmptyEnumerator(&creator, &destroyed);
    object->AddRef();
    void* found = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_UnknownCreationHelper, &found), S_OK);
    EXPECT_NE(found, static_cast<void*>(object));
    auto* helper = static_cast<UnknownCreationHelperInterface*>(found);
    EXPECT_EQ(helper->getCreator(), &creator);
    helper->clearCreator();
    EXPECT_EQ(helper->getCreator(), nullptr);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(creator.destroyed.empty());
}

} // namespace
} // namespace qor::platform::windows::com
