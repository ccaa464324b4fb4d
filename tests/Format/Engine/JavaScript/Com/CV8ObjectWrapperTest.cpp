// Script values handed to COM: arrays as automation objects whose live
// elements COM enumerates; functions and objects as IDispatchEx. What COM can
// do with them, for how long they live, and who may call them.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/ComHelper.h"
#include "Format/Engine/JavaScript/Com/IsolateData.h"
#include "Format/Engine/JavaScript/Com/IV8ArrayWrapper.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/DispatchArguments.h"
#include "Platform/Windows/Com/OleText.h"
#include "Platform/Windows/Com/UnknownCreationHelperInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace qor::test::bindings {
namespace {

namespace ComHelper = format::engine::javascript::ComHelper;
namespace IsolateData = format::engine::javascript::IsolateData;
using format::engine::javascript::EngineOptions;
using format::engine::javascript::IID_IV8ArrayWrapper;
using format::engine::javascript::IV8ArrayWrapper;
using platform::windows::com::ComRef;
using platform::windows::com::IID_UnknownCreationHelper;
using platform::windows::com::utf8FromOle;

ULONG countOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

class ScriptObjectTest : public BindingTest {
protected:
    ScriptObjectTest() {
        engine->setOptions(EngineOptions::all());
        run("");
        baseline = libraryObjects();
    }

    // The COM object the completion value of `code` becomes, as `Interface`,
    // with the caller's reference.
    template <class Interface = IDispatchEx>
    ComRef<Interface> toCom(std::string_view code, IID const& iid = IID_IDispatchEx) {
        ComRef<Interface> made;
        engine->setScript(code, {});
        engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) {
            VARIANT variant;
            VariantInit(&variant);
            ASSERT_TRUE(ComHelper::convertToVariant(isolate(), *result, variant));
            ASSERT_EQ(variant.vt, VT_DISPATCH);
            variant.pdispVal->QueryInterface(iid, reinterpret_cast<void**>(made.put()));
            VariantClear(&variant);
        });
        return made;
    }
    // The array `code` gives, kept in the global `array`.
    ComRef<IV8ArrayWrapper> wrap(std::string const& code) {
        return toCom<IV8ArrayWrapper>("var array = " + code + "; array", IID_IV8ArrayWrapper);
    }
    static ComRef<IEnumVARIANT> enumeratorOf(IV8ArrayWrapper* wrapper) {
        ComRef<IUnknown> unknown;
        EXPECT_EQ(wrapper->NewEnum(unknown.put()), S_OK);
        ComRef<IEnumVARIANT> result;
        unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(result.put()));
        return result;
    }
    // The types of up to `count` items Next fetches.
    static std::vector<VARTYPE> next(IEnumVARIANT* enumerator, ULONG count, HRESULT expected = S_OK) {
        std::vector<_variant_t> items(count == 0 ? 1 : count);
        ULONG fetched = 99;
        EXPECT_EQ(enumerator->Next(count, items.data(), &fetched), expected);
        std::vector<VARTYPE> types;
        for (ULONG i = 0; i < fetched && i < count; ++i)
            types.push_back(items[i].vt);
        EXPECT_EQ(fetched, types.size());
        return types;
    }

    HRESULT invoke(IDispatch* object, DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result) {
        excepInfo = EXCEPINFO{};
        return object->Invoke(dispid, IID_NULL, 0, flags, params, result, &excepInfo, nullptr);
    }
    std::string description() {
        std::string text = utf8FromOle(excepInfo.bstrDescription);
        SysFreeString(excepInfo.bstrSource);
        SysFreeString(excepInfo.bstrDescription);
        return text;
    }
    DISPID dispidOf(IDispatchEx* object, OLECHAR const* name, DWORD flags) {
        DISPID dispid = DISPID_UNKNOWN;
        object->GetDispID(_bstr_t(name), flags, &dispid);
        return dispid;
    }
    std::size_t libraryObjects() { return IsolateData::objectRegistry(isolate()).libraryObjects.size(); }

    EXCEPINFO excepInfo{};
    std::size_t baseline = 0;
};

// --- arrays ----------------------------------------------------------------------

TEST_F(ScriptObjectTest, AnArrayIsOneObjectForItsInterfacesAndAnotherForTheCreatorLink) {
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

TEST_F(ScriptObjectTest, EnumerationWalksTheArraysLiveElementsWithSkipResetAndClone) {
    ComRef<IEnumVARIANT> empty = enumeratorOf(wrap("[]").get());
    next(empty.get(), 1, S_FALSE);
    EXPECT_EQ(empty->Skip(1), S_FALSE);

    ComRef<IEnumVARIANT> enumerator = enumeratorOf(wrap("['x', [1], null]").get());
    next(enumerator.get(), 0);
    // Nested arrays as wrappers.
    EXPECT_EQ(next(enumerator.get(), 5, S_FALSE), (std::vector<VARTYPE>{VT_BSTR, VT_DISPATCH, VT_NULL}));
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(5), S_FALSE);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(2), S_OK);
    ComRef<IEnumVARIANT> clone;
    ASSERT_EQ(enumerator->Clone(clone.put()), S_OK);
    // The walk is live: it meets what the script adds, and stops where it cut.
    run("array.push('late'); 0");
    EXPECT_EQ(next(clone.get(), 2), (std::vector<VARTYPE>{VT_NULL, VT_BSTR}));
    EXPECT_EQ(next(enumerator.get(), 1), std::vector<VARTYPE>{VT_NULL});
    run("array.length = 0; 0");
    EXPECT_TRUE(next(enumerator.get(), 1, S_FALSE).empty());
}

TEST_F(ScriptObjectTest, AutomationClientsReachAnArraysTextAndItemsThroughTheEnginesTypeLibrary) {
    _variant_t text;
    ASSERT_EQ(wrap("[1, 'a', null, [2, 3]]")->ToString(&text), S_OK);
    EXPECT_EQ(text, _variant_t(u"1,a,,2,3"));
    text.Clear();
    ASSERT_EQ(wrap("[]")->ToString(&text), S_OK);
    EXPECT_EQ(text, _variant_t(u""));
    EXPECT_NE(text.bstrVal, nullptr);
    EXPECT_EQ(wrap("[]")->ToString(nullptr), E_POINTER);

    ComRef<IV8ArrayWrapper> wrapper = wrap("[4, 5]");
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    _variant_t result;
    ASSERT_EQ(wrapper->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, &result,
                              nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result, _variant_t(u"4,5"));
    result.Clear();
    ASSERT_EQ(wrapper->Invoke(DISPID_NEWENUM, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_UNKNOWN);
    ComRef<IEnumVARIANT> enumerator;
    ASSERT_EQ(result.punkVal->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(enumerator.put())), S_OK);
    EXPECT_EQ(next(enumerator.get(), 3, S_FALSE), (std::vector<VARTYPE>{VT_I4, VT_I4}));
}

TEST_F(ScriptObjectTest, AnArrayBackInAScriptIsACOMObjectAndAnswersWithoutItsEngine) {
    TypedDispatch item(host.typeInfo(iidItem));
    item.onInvoke([](DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        return VariantCopy(result, &params->rgvarg[0]);
    });
    application.onInvoke(handingOut(&item));
    EXPECT_EQ(run("var back = Application.Items.Echo([1, 2]); [Array.isArray(back), back.ToString()].join()"),
              "false,1,2");

    ComRef<IV8ArrayWrapper> wrapper = wrap("[1]");
    ComRef<IEnumVARIANT> enumerator = enumeratorOf(wrapper.get());
    expectBalancedAfterTeardown(item);
    ComRef<IUnknown> another;
    EXPECT_EQ(wrapper->NewEnum(another.put()), CO_E_OBJNOTCONNECTED);
    _variant_t text;
    EXPECT_EQ(wrapper->ToString(&text), CO_E_OBJNOTCONNECTED);
    next(enumerator.get(), 1, S_FALSE);
}

// --- functions and objects ------------------------------------------------------

TEST_F(ScriptObjectTest, AFunctionIsCalledThroughItsDefaultMemberWhenNoScriptRuns) {
    DispatchArguments arguments{_variant_t(LONG{1}), _variant_t(LONG{2})};
    {
        ComRef<IDispatchEx> function = toCom("(a, b) => a * 10 + b");
        EXPECT_EQ(libraryObjects(), baseline + 1);
        ASSERT_EQ(invoke(function.get(), DISPID_VALUE, DISPATCH_METHOD, arguments.params(), &arguments.result), S_OK);
        EXPECT_EQ(_variant_t(LONG{12}), arguments.result);
    }
    EXPECT_EQ(libraryObjects(), baseline);

    EXPECT_EQ(invoke(toCom("() => { throw new Error('boom'); }").get(), DISPID_VALUE, DISPATCH_METHOD,
                     arguments.params(), nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(description(), "Error: boom");
    EXPECT_EQ(invoke(toCom("() => Symbol()").get(), DISPID_VALUE, DISPATCH_METHOD, arguments.params(),
                     &arguments.result),
              DISP_E_EXCEPTION);
    EXPECT_EQ(description(), "The script's value cannot be passed to COM: symbol values have no COM form");
}

TEST_F(ScriptObjectTest, AnObjectsPropertiesAreItsMembersByNameInAnyCase) {
    ComRef<IDispatchEx> object = toCom("var o = { Name: 'a', count: 2, add(x) { return this.count + x; } }; o");
    ASSERT_NE(object.get(), nullptr);
    OLECHAR name[] = u"name";
    LPOLESTR names[] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
    DispatchArguments none{};
    ASSERT_EQ(invoke(object.get(), dispid, DISPATCH_PROPERTYGET, none.params(), &none.result), S_OK);
    EXPECT_EQ(_variant_t(u"a"), none.result);
    EXPECT_EQ(invoke(object.get(), dispid, DISPATCH_METHOD, none.params(), &none.result), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dispidOf(object.get(), u"name", fdexNameCaseSensitive), DISPID_UNKNOWN);

    DispatchArguments five{_variant_t(LONG{5})};
    ASSERT_EQ(invoke(object.get(), dispidOf(object.get(), u"count", 0), DISPATCH_PROPERTYPUT, five.forPut(), nullptr),
              S_OK);
    DispatchArguments one{_variant_t(LONG{1})};
    ASSERT_EQ(invoke(object.get(), dispidOf(object.get(), u"ADD", 0), DISPATCH_METHOD, one.params(), &one.result), S_OK);
    EXPECT_EQ(_variant_t(LONG{6}), one.result);

    EXPECT_NE(dispidOf(object.get(), u"extra", fdexNameEnsure | fdexNameCaseSensitive), DISPID_UNKNOWN);
    EXPECT_EQ(run("'extra' in o && o.count"), "5");
    EXPECT_EQ(object->DeleteMemberByName(_bstr_t(u"EXTRA"), 0), S_OK);

    std::vector<std::string> members;
    for (DISPID next = DISPID_STARTENUM; object->GetNextDispID(fdexEnumAll, next, &next) == S_OK;) {
        BSTR member = nullptr;
        object->GetMemberName(next, &member);
        members.push_back(utf8FromOle(member));
        SysFreeString(member);
    }
    EXPECT_EQ(members, (std::vector<std::string>{"Name", "count", "add"}));
}

TEST_F(ScriptObjectTest, WhatComGivesBackIsTheScriptValueItself) {
    run("var f = () => 1, o = {}");
    engine->setScript("[f, o]", {});
    engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>& context) {
        v8::Local<v8::Array> values = (*result).As<v8::Array>();
        for (std::uint32_t i = 0; i < 2; ++i) {
            v8::Local<v8::Value> value = values->Get(context, i).ToLocalChecked();
            _variant_t variant;
            ASSERT_TRUE(ComHelper::convertToVariant(isolate(), value, variant));
            EXPECT_TRUE(ComHelper::convertFromVariant(variant, isolate())->StrictEquals(value)) << i;
        }
    });
    EXPECT_EQ(libraryObjects(), baseline);
}

TEST_F(ScriptObjectTest, COMKeepsTheValueAliveUntilItsLastRelease) {
    ComRef<IDispatchEx> object = toCom("var weak; (() => { const o = {}; weak = new WeakRef(o); return o; })()");
    collectGarbage();
    EXPECT_EQ(run("typeof weak.deref()"), "object");
    object.reset();
    collectGarbage();
    EXPECT_EQ(run("typeof weak.deref()"), "undefined");
}

TEST_F(ScriptObjectTest, OnlyTheEnginesThreadMayCallAndOnlyWhileTheEngineLives) {
    ComRef<IDispatchEx> function = toCom("() => 1");
    DispatchArguments none{};
    HRESULT answer = S_OK;
    std::thread([&] { answer = invoke(function.get(), DISPID_VALUE, DISPATCH_METHOD, none.params(), nullptr); }).join();
    EXPECT_EQ(answer, RPC_E_WRONG_THREAD);
    engine.reset();
    EXPECT_EQ(invoke(function.get(), DISPID_VALUE, DISPATCH_METHOD, none.params(), nullptr), CO_E_OBJNOTCONNECTED);
}

} // namespace
} // namespace qor::test::bindings
