// Script functions and objects handed to COM: what COM can do with them, for
// how long they live, and who may call them.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/ComHelper.h"
#include "Format/Engine/JavaScript/Com/IsolateData.h"
#include "Platform/Windows/Com/DispatchArguments.h"
#include "Platform/Windows/Com/OleText.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace qor::test::bindings {
namespace {

namespace ComHelper = format::engine::javascript::ComHelper;
using format::engine::javascript::EngineOptions;
namespace IsolateData = format::engine::javascript::IsolateData;
using platform::windows::com::utf8FromOle;

class ScriptObjectTest : public BindingTest {
protected:
    ScriptObjectTest() {
        engine->setOptions(EngineOptions::all());
        run("");
        baseline = libraryObjects();
    }

    // The COM object the completion value of `code` becomes, with the
    // caller's reference.
    IDispatchEx* toCom(std::string_view code) {
        IDispatchEx* made = nullptr;
        engine->setScript(code, {});
        engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) {
            VARIANT variant;
            VariantInit(&variant);
            ASSERT_TRUE(ComHelper::convertToVariant(isolate(), *result, variant));
            ASSERT_EQ(variant.vt, VT_DISPATCH);
            variant.pdispVal->QueryInterface(IID_IDispatchEx, reinterpret_cast<void**>(&made));
            VariantClear(&variant);
        });
        return made;
    }
    HRESULT invoke(IDispatch* object, DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result) {
        excepInfo = EXCEPINFO{};
        return object->Invoke(dispid, IID_NULL, 0, flags, params, result, &excepInfo, nullptr);
    }
    std::string description() {
        std::string text = utf8FromOle(excepInfo.bstrDescription);
        SysFreeString(excepInfo.bstrSource);
        SysFreeString(excepInfo.bstrDescription);
        excepInfo = EXCEPINFO{};
        return text;
    }
    DISPID dispidOf(IDispatchEx* object, OLECHAR const* name, DWORD flags) {
        BSTR text = SysAllocString(name);
        DISPID dispid = DISPID_UNKNOWN;
        object->GetDispID(text, flags, &dispid);
        SysFreeString(text);
        return dispid;
    }
    std::size_t libraryObjects() { return IsolateData::objectRegistry(isolate()).libraryObjects.size(); }

    EXCEPINFO excepInfo{};
    std::size_t baseline = 0;
};

TEST_F(ScriptObjectTest, AFunctionIsCalledThroughItsDefaultMemberWhenNoScriptRuns) {
    IDispatchEx* function = toCom("(a, b) => a * 10 + b");
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(libraryObjects(), baseline + 1);
    DispatchArguments arguments{_variant_t(LONG{1}), _variant_t(LONG{2})};
    ASSERT_EQ(invoke(function, DISPID_VALUE, DISPATCH_METHOD, arguments.params(), &arguments.result), S_OK);
    EXPECT_EQ(arguments.result.vt, VT_I4);
    EXPECT_EQ(arguments.result.lVal, 12);
    function->Release();
    EXPECT_EQ(libraryObjects(), baseline);

    IDispatchEx* throwing = toCom("() => { throw new Error('boom'); }");
    EXPECT_EQ(invoke(throwing, DISPID_VALUE, DISPATCH_METHOD, arguments.params(), nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(description(), "Error: boom");
    throwing->Release();

    IDispatchEx* symbolic = toCom("() => Symbol()");
    EXPECT_EQ(invoke(symbolic, DISPID_VALUE, DISPATCH_METHOD, arguments.params(), &arguments.result),
              DISP_E_EXCEPTION);
    EXPECT_EQ(description(), "The script's value cannot be passed to COM: symbol values have no COM form");
    symbolic->Release();
}

TEST_F(ScriptObjectTest, AnObjectsPropertiesAreItsMembersByNameInAnyCase) {
    IDispatchEx* object = toCom("var o = { Name: 'a', count: 2, add(x) { return this.count + x; } }; o");
    ASSERT_NE(object, nullptr);
    OLECHAR name[] = u"name";
    LPOLESTR names[] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
    DispatchArguments none{};
    ASSERT_EQ(invoke(object, dispid, DISPATCH_PROPERTYGET, none.params(), &none.result), S_OK);
    EXPECT_EQ(utf8FromOle(none.result.bstrVal), "a");
    EXPECT_EQ(invoke(object, dispid, DISPATCH_METHOD, none.params(), &none.result), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dispidOf(object, u"name", fdexNameCaseSensitive), DISPID_UNKNOWN);

    DispatchArguments five{_variant_t(LONG{5})};
    ASSERT_EQ(invoke(object, dispidOf(object, u"count", 0), DISPATCH_PROPERTYPUT, five.forPut(), nullptr), S_OK);
    DispatchArguments one{_variant_t(LONG{1})};
    ASSERT_EQ(invoke(object, dispidOf(object, u"ADD", 0), DISPATCH_METHOD, one.params(), &one.result), S_OK);
    EXPECT_EQ(one.result.lVal, 6);

    EXPECT_NE(dispidOf(object, u"extra", fdexNameEnsure | fdexNameCaseSensitive), DISPID_UNKNOWN);
    EXPECT_EQ(run("'extra' in o && o.count"), "5");
    BSTR extra = SysAllocString(u"EXTRA");
    EXPECT_EQ(object->DeleteMemberByName(extra, 0), S_OK);
    SysFreeString(extra);

    std::vector<std::string> members;
    for (DISPID next = DISPID_STARTENUM; object->GetNextDispID(fdexEnumAll, next, &next) == S_OK;) {
        BSTR member = nullptr;
        object->GetMemberName(next, &member);
        members.push_back(utf8FromOle(member));
        SysFreeString(member);
    }
    EXPECT_EQ(members, (std::vector<std::string>{"Name", "count", "add"}));
    object->Release();
}

TEST_F(ScriptObjectTest, WhatComGivesBackIsTheScriptValueItself) {
    run("var f = () => 1, o = {}");
    engine->setScript("[f, o]", {});
    engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>& context) {
        v8::Local<v8::Array> values = (*result).As<v8::Array>();
        for (std::uint32_t i = 0; i < 2; ++i) {
            v8::Local<v8::Value> value = values->Get(context, i).ToLocalChecked();
            VARIANT variant;
            VariantInit(&variant);
            ASSERT_TRUE(ComHelper::convertToVariant(isolate(), value, variant));
            EXPECT_TRUE(ComHelper::convertFromVariant(variant, isolate())->StrictEquals(value)) << i;
        }
    });
    EXPECT_EQ(libraryObjects(), baseline);
}

TEST_F(ScriptObjectTest, COMKeepsTheValueAliveUntilItsLastRelease) {
    IDispatchEx* object = toCom("var weak; (() => { const o = {}; weak = new WeakRef(o); return o; })()");
    collectGarbage();
    EXPECT_EQ(run("typeof weak.deref()"), "object");
    object->Release();
    collectGarbage();
    EXPECT_EQ(run("typeof weak.deref()"), "undefined");
}

TEST_F(ScriptObjectTest, OnlyTheEnginesThreadMayCallAndOnlyWhileTheEngineLives) {
    IDispatchEx* function = toCom("() => 1");
    DispatchArguments none{};
    HRESULT answer = S_OK;
    std::thread([&] { answer = invoke(function, DISPID_VALUE, DISPATCH_METHOD, none.params(), nullptr); }).join();
    EXPECT_EQ(answer, RPC_E_WRONG_THREAD);
    engine.reset();
    EXPECT_EQ(invoke(function, DISPID_VALUE, DISPATCH_METHOD, none.params(), nullptr), CO_E_OBJNOTCONNECTED);
    function->Release();
}

} // namespace
} // namespace qor::test::bindings
