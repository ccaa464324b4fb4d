// Script arrays as COM sees them: an automation object whose live elements
// COM enumerates.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/ComHelper.h"
#include "Format/Engine/JavaScript/Com/IV8ArrayWrapper.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/UnknownCreationHelperInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

namespace ComHelper = format::engine::javascript::ComHelper;
using format::engine::javascript::IID_IV8ArrayWrapper;
using format::engine::javascript::IV8ArrayWrapper;
using platform::windows::com::ComRef;
using platform::windows::com::IID_UnknownCreationHelper;

ULONG countOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

std::u16string textOf(VARIANT const& variant) {
    return std::u16string(reinterpret_cast<char16_t const*>(variant.bstrVal), SysStringLen(variant.bstrVal));
}

class CV8ArrayWrapperTest : public BindingTest {
protected:
    // The COM object of the script array `code` evaluates to, as a script
    // passing it to COM would make it; the global `array` holds the array.
    ComRef<IV8ArrayWrapper> wrap(std::string const& code) {
        run("var array = " + code);
        ComRef<IV8ArrayWrapper> result;
        engine->runScript([&](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) {
            v8::Local<v8::Value> array =
                context->Global()->Get(context, v8::String::NewFromUtf8Literal(isolate(), "array")).ToLocalChecked();
            VARIANT variant = ComHelper::variant_v8ToCom(isolate(), array);
            EXPECT_EQ(variant.vt, VT_DISPATCH);
            variant.pdispVal->QueryInterface(IID_IV8ArrayWrapper, reinterpret_cast<void**>(result.put()));
            VariantClear(&variant);
        });
        return result;
    }
    static ComRef<IEnumVARIANT> enumeratorOf(IV8ArrayWrapper* wrapper) {
        ComRef<IUnknown> unknown;
        EXPECT_EQ(wrapper->NewEnum(unknown.put()), S_OK);
        ComRef<IEnumVARIANT> result;
        unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(result.put()));
        return result;
    }

    // Fetches up to `count` items; clears them after noting their types.
    struct Fetched {
        HRESULT result;
        std::vector<VARTYPE> types;
        std::vector<std::u16string> texts;
    };
    static Fetched next(IEnumVARIANT* enumerator, ULONG count) {
        std::vector<VARIANT> items(count == 0 ? 1 : count);
        for (auto& item : items)
            VariantInit(&item);
        ULONG fetched = 99;
        Fetched result{enumerator->Next(count, items.data(), &fetched), {}, {}};
        for (ULONG i = 0; i < fetched && i < count; ++i) {
            result.types.push_back(items[i].vt);
            result.texts.push_back(items[i].vt == VT_BSTR ? textOf(items[i]) : u"");
            VariantClear(&items[i]);
        }
        EXPECT_EQ(fetched, result.types.size());
        return result;
    }
};

TEST_F(CV8ArrayWrapperTest, ItIsOneObjectForItsInterfacesAndAnotherForTheCreatorLink) {
    ComRef<IV8ArrayWrapper> wrapper = wrap("[1, 2]");
    ULONG const before = countOf(wrapper.get());
    for (IID const& iid : {IID_IDispatchEx, IID_IDispatch, IID_IUnknown, IID_IV8ArrayWrapper}) {
        void* same = nullptr;
        ASSERT_EQ(wrapper->QueryInterface(iid, &same), S_OK);
        EXPECT_EQ(same, static_cast<void*>(wrapper.get()));
        EXPECT_EQ(countOf(wrapper.get()), before + 1);
        static_cast<IUnknown*>(same)->Release();
    }
    void* helper = nullptr;
    ASSERT_EQ(wrapper->QueryInterface(IID_UnknownCreationHelper, &helper), S_OK);
    EXPECT_NE(helper, static_cast<void*>(wrapper.get()));
    EXPECT_EQ(countOf(wrapper.get()), before);
    void* refused = &helper;
    EXPECT_EQ(wrapper->QueryInterface(IID_IEnumVARIANT, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
}

TEST_F(CV8ArrayWrapperTest, EnumerationWalksTheLiveElementsWithSkipResetAndClone) {
    ComRef<IEnumVARIANT> empty = enumeratorOf(wrap("[]").get());
    EXPECT_EQ(next(empty.get(), 1).result, S_FALSE);
    EXPECT_EQ(empty->Skip(1), S_FALSE);

    ComRef<IEnumVARIANT> enumerator = enumeratorOf(wrap("['x', [1], null]").get());
    EXPECT_EQ(next(enumerator.get(), 0).result, S_OK);
    Fetched const all = next(enumerator.get(), 5);
    EXPECT_EQ(all.result, S_FALSE);
    EXPECT_EQ(all.types, (std::vector<VARTYPE>{VT_BSTR, VT_DISPATCH, VT_NULL})); // nested arrays as wrappers
    EXPECT_EQ(all.texts[0], u"x");
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(5), S_FALSE);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(2), S_OK);
    ComRef<IEnumVARIANT> clone;
    ASSERT_EQ(enumerator->Clone(clone.put()), S_OK);
    // The walk is live: it meets what the script adds, and stops where it cut.
    run("array.push('late'); 0");
    EXPECT_EQ(next(clone.get(), 2).types, (std::vector<VARTYPE>{VT_NULL, VT_BSTR}));
    EXPECT_EQ(next(enumerator.get(), 1).types, std::vector<VARTYPE>{VT_NULL});
    run("array.length = 0; 0");
    EXPECT_TRUE(next(enumerator.get(), 1).types.empty());
}

TEST_F(CV8ArrayWrapperTest, ItsTextIsTheArraysText) {
    VARIANT text;
    VariantInit(&text);
    ASSERT_EQ(wrap("[1, 'a', null, [2, 3]]")->ToString(&text), S_OK);
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(textOf(text), u"1,a,,2,3");
    VariantClear(&text);
    ASSERT_EQ(wrap("[]")->ToString(&text), S_OK);
    ASSERT_NE(text.bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(text.bstrVal), 0u);
    VariantClear(&text);
    EXPECT_EQ(wrap("[]")->ToString(nullptr), E_POINTER);
}

TEST_F(CV8ArrayWrapperTest, AutomationClientsReachItsMembersThroughTheEnginesTypeLibrary) {
    ComRef<IV8ArrayWrapper> wrapper = wrap("[4, 5]");
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(wrapper->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, &result,
                              nullptr, nullptr),
              S_OK);
    EXPECT_EQ(textOf(result), u"4,5");
    VariantClear(&result);
    ASSERT_EQ(wrapper->Invoke(DISPID_NEWENUM, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_UNKNOWN);
    ComRef<IEnumVARIANT> enumerator;
    ASSERT_EQ(result.punkVal->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(enumerator.put())), S_OK);
    VariantClear(&result);
    EXPECT_EQ(next(enumerator.get(), 3).types, (std::vector<VARTYPE>{VT_I4, VT_I4}));
}

TEST_F(CV8ArrayWrapperTest, BackInAScriptItIsACOMObjectNotTheArray) {
    TypedDispatch item(host.typeInfo(iidItem));
    item.onInvoke([](DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        return VariantCopy(result, &params->rgvarg[0]);
    });
    application.onInvoke(handingOut(&item));
    EXPECT_EQ(run("var back = Application.Items.Echo([1, 2]); [Array.isArray(back), back.ToString()].join()"),
              "false,1,2");
    engine.reset();
    EXPECT_TRUE(item.balanced()) << item.refCount();
}

TEST_F(CV8ArrayWrapperTest, AWrapperKeptPastItsEngineAnswersWithoutIt) {
    ComRef<IV8ArrayWrapper> wrapper = wrap("[1]");
    ComRef<IEnumVARIANT> enumerator = enumeratorOf(wrapper.get());
    engine.reset();
    ComRef<IUnknown> another;
    EXPECT_EQ(wrapper->NewEnum(another.put()), CO_E_OBJNOTCONNECTED);
    VARIANT text;
    VariantInit(&text);
    EXPECT_EQ(wrapper->ToString(&text), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(next(enumerator.get(), 1).result, S_FALSE);
}


} // namespace
} // namespace qor::test::bindings
