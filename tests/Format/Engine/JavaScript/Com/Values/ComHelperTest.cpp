// Script values to VARIANTs and back, called directly in an engine's context;
// then script values handed to COM: arrays as automation objects whose live
// elements COM enumerates; functions and objects as IDispatchEx. What COM can
// do with them, for how long they live, and who may call them.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/IV8ArrayWrapper.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/DispatchArguments.h"
#include "Platform/Windows/Com/OleText.h"
#include "Platform/Windows/Com/UnknownCreationHelperInterface.h"
#include "Support/CountedRecordInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace qor::test::bindings {
namespace {

namespace ComHelper = format::engine::javascript::ComHelper;
namespace IsolateData = format::engine::javascript::IsolateData;
using format::engine::javascript::ComParameter;
using format::engine::javascript::EngineOptions;
using format::engine::javascript::IID_IV8ArrayWrapper;
using format::engine::javascript::IV8ArrayWrapper;
using format::engine::javascript::V8Helper::qor_string;
using format::engine::javascript::V8Helper::v8_string;
using platform::windows::com::ComRef;
using platform::windows::com::IID_UnknownCreationHelper;
using platform::windows::com::utf8FromOle;

class ComHelperTest : public BindingTest {
protected:
    ComHelperTest() { run(""); }

    // Runs `body` with the engine's context entered.
    void inContext(std::function<void(v8::Local<v8::Context>)> const& body) {
        engine->runScript([&](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) { body(context); });
    }
    v8::Local<v8::Value> evaluate(v8::Local<v8::Context> context, std::string const& code) {
        return v8::Script::Compile(context, v8_string(isolate(), code)).ToLocalChecked()->Run(context).ToLocalChecked();
    }
    // The VARIANT of a script expression.
    _variant_t toCom(std::string const& code) {
        _variant_t result;
        inContext([&](auto context) {
            VARIANT converted = ComHelper::variant_v8ToCom(isolate(), evaluate(context, code));
            result.Attach(converted);
        });
        return result;
    }
    // The script value of a VARIANT, as the text of a script expression on it
    // (`v` in `expression`), or the text it threw.
    std::string toScript(VARIANT const& variant, std::string const& expression = "typeof v + ':' + String(v)") {
        std::string text;
        inContext([&](auto context) {
            v8::TryCatch tryCatch(isolate());
            v8::Local<v8::Value> value = ComHelper::variant_comToV8(_variant_t(variant), isolate());
            if (value.IsEmpty()) {
                text = tryCatch.HasCaught() ? "threw " + qor_string(tryCatch.Exception(), isolate()) : "empty";
                return;
            }
            context->Global()->Set(context, v8_string(isolate(), "v"), value).Check();
            text = qor_string(evaluate(context, expression), isolate());
        });
        return text;
    }
};

// Zero-filled: a BSTR or array of it is null.
VARIANT variantOf(VARTYPE vt) {
    VARIANT variant{};
    variant.vt = vt;
    return variant;
}


template <class T>
SAFEARRAY* vectorOf(VARTYPE vt, std::vector<T> values, LONG lower = 0) {
    SAFEARRAY* array = SafeArrayCreateVector(vt, lower, static_cast<ULONG>(values.size()));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lower + i;
        SafeArrayPutElement(array, &index, &values[static_cast<std::size_t>(i)]);
    }
    return array;
}

_variant_t arrayVariant(VARTYPE vt, SAFEARRAY* array) {
    _variant_t variant;
    variant.vt = VT_ARRAY | vt;
    variant.parray = array;
    return variant;
}

// The other numbers, and text holding U+0000, are shown by the sample's
// values script.
TEST_F(ComHelperTest, NegativeZeroAndNumbersBelowI4AreDoubles) {
    EXPECT_EQ(toCom("-2147483649").vt, VT_R8);
    _variant_t const zero = toCom("-0");
    EXPECT_EQ(zero.vt, VT_R8);
    EXPECT_TRUE(std::signbit(zero.dblVal));
}

// A number goes to a typed parameter as it goes to any, unless the
// parameter's integer type cannot hold it: COM's coercion would keep its bits
// (3000000000 a long -1294967296, -1 an unsigned long 4294967295).
TEST_F(ComHelperTest, ANumberOutsideTheRangeOfItsIntegerParameterIsRefused) {
    struct Case {
        char const* code;
        VARTYPE parameter;
        VARTYPE sent; // VT_EMPTY: refused
    };
    inContext([&](v8::Local<v8::Context> context) {
        for (auto const& [code, parameterType, sent] : std::vector<Case>{
                 {"3000000000", VT_VARIANT, VT_UI4}, {"3000000000", VT_UI4, VT_UI4}, {"3000000000", VT_I8, VT_UI4},
                 {"3000000000", VT_I4, VT_EMPTY},    {"-1", VT_UI4, VT_EMPTY},       {"-1", VT_UINT, VT_EMPTY},
                 {"-1", VT_I2, VT_I4},               {"40000", VT_I2, VT_EMPTY},     {"65535", VT_UI2, VT_I4},
                 {"256", VT_UI1, VT_EMPTY},          {"-0.4", VT_UI4, VT_R8},        {"2147483647.5", VT_I4, VT_EMPTY},
                 {"NaN", VT_I4, VT_EMPTY},           {"2 ** 63", VT_I8, VT_EMPTY},   {"2 ** 64 - 2048", VT_UI8, VT_R8},
                 {"'-1'", VT_UI4, VT_BSTR}}) {
            ComParameter parameter;
            parameter.vt = parameterType;
            _variant_t target;
            auto converted = ComHelper::convertArgument(isolate(), evaluate(context, code), parameter, target);
            EXPECT_EQ(converted ? target.vt : VARTYPE{VT_EMPTY}, sent) << code << " for " << parameterType;
            if (!converted) {
                EXPECT_EQ(target.vt, VT_EMPTY) << code;
            }
        }
        ComParameter unsignedLong;
        unsignedLong.vt = VT_UI4;
        _variant_t target;
        EXPECT_EQ(ComHelper::reasonOf(ComHelper::convertArgument(isolate(), evaluate(context, "-1"), unsignedLong, target).error()),
                  "-1 is out of range for its COM type (0 to 4294967295)");
        auto array = ComHelper::convertToSafeArray(isolate(), evaluate(context, "[1, 3000000000]").As<v8::Object>(), VT_I4, target);
        EXPECT_EQ(ComHelper::reasonOf(array.error()),
                  "element 1: 3000000000 is out of range for its COM type (-2147483648 to 2147483647)");
    });
}

TEST_F(ComHelperTest, ValuesWithoutACOMFormBecomeEmptyAfterOneAssertionEach) {
    for (std::string code : {"({a: 1})", "(function () {})", "new Date(0)", "/x/", "new Number(1)"}) {
        asserts.clear();
        EXPECT_EQ(toCom(code).vt, VT_EMPTY) << code;
        EXPECT_EQ(asserts, std::vector<std::string>{"Handle new Object outside this function."}) << code;
    }
    asserts.clear();
    EXPECT_EQ(toCom("Symbol()").vt, VT_EMPTY);
    EXPECT_EQ(toCom("5n").vt, VT_EMPTY);
    EXPECT_EQ(asserts, (std::vector<std::string>{"symbol not implemented", "bigint not implemented"}));
}

TEST_F(ComHelperTest, ScalarsFromComFollowTheirType) {
    auto make = [](VARTYPE vt, auto assign) {
        VARIANT variant = variantOf(vt);
        assign(variant);
        return variant;
    };
    for (auto const& [variant, text] : std::vector<std::pair<VARIANT, std::string>>{
             {variantOf(VT_EMPTY), "undefined:undefined"},
             {variantOf(VT_NULL), "object:null"},
             {make(VT_I2, [](VARIANT& v) { v.iVal = -2; }), "number:-2"},
             {make(VT_I1, [](VARIANT& v) { v.cVal = -3; }), "number:-3"},
             {make(VT_UI1, [](VARIANT& v) { v.bVal = 250; }), "number:250"},
             {make(VT_UI2, [](VARIANT& v) { v.uiVal = 65535; }), "number:65535"},
             {make(VT_INT, [](VARIANT& v) { v.intVal = -7; }), "number:-7"},
             {make(VT_R4, [](VARIANT& v) { v.fltVal = 0.1f; }), "number:0.10000000149011612"},
             {make(VT_UI4, [](VARIANT& v) { v.ulVal = 5; }), "bigint:5"},
             {make(VT_UINT, [](VARIANT& v) { v.uintVal = 4294967295u; }), "bigint:4294967295"},
             {make(VT_UI8, [](VARIANT& v) { v.ullVal = ~0ull; }), "bigint:18446744073709551615"},
             {make(VT_I8, [](VARIANT& v) { v.llVal = -1; }), "bigint:-1"},
             {make(VT_BOOL, [](VARIANT& v) { v.boolVal = 1; }), "boolean:true"},
             {make(VT_BOOL, [](VARIANT& v) { v.boolVal = 0; }), "boolean:false"},
             {variantOf(VT_BSTR), "string:"}})
        EXPECT_EQ(toScript(variant), text) << variant.vt;
}

TEST_F(ComHelperTest, TypesWithoutAScriptFormThrowTheirCode) {
    for (VARTYPE vt : std::vector<VARTYPE>{VT_DATE, VT_CY, VT_ERROR, VT_VARIANT, VT_DECIMAL, VT_BYREF | VT_I4, VT_ARRAY | VT_DISPATCH}) {
        asserts.clear();
        std::string const message = "Missing V8 variant implementation (returnVar.vt): " + std::to_string(vt);
        VARIANT variant = variantOf(vt);
        if (vt == (VT_ARRAY | VT_DISPATCH))
            variant.parray = SafeArrayCreateVector(VT_DISPATCH, 0, 0);
        EXPECT_EQ(toScript(variant), "threw " + message);
        EXPECT_EQ(asserts, std::vector<std::string>{message});
        VariantClear(&variant);
    }
}

TEST_F(ComHelperTest, SafeArraysBecomeScriptArraysOfTheirFirstDimension) {
    EXPECT_EQ(toScript(arrayVariant(VT_I4, vectorOf<LONG>(VT_I4, {10, 20, 30}, 5)), "JSON.stringify(v)"), "[10,20,30]");

    SAFEARRAYBOUND bounds[2] = {{3, 0}, {2, 0}}; // 3 x 2, the first index varying fastest
    _variant_t grid = arrayVariant(VT_I4, SafeArrayCreate(VT_I4, 2, bounds));
    for (LONG i = 0; i < 3; ++i)
        for (LONG j = 0; j < 2; ++j) {
            LONG index[2] = {i, j};
            LONG value = 10 * i + j;
            SafeArrayPutElement(grid.parray, index, &value);
        }
    EXPECT_EQ(toScript(grid, "JSON.stringify(v)"), "[0,10,20]");
    // The sample's values script shows a VARIANT array holding another.
    EXPECT_EQ(toScript(arrayVariant(VT_BSTR, SafeArrayCreateVector(VT_BSTR, 0, 0)), "JSON.stringify(v)"), "[]");
    // Three by none holds no element at all.
    SAFEARRAYBOUND flat[2] = {{3, 0}, {0, 0}};
    EXPECT_EQ(toScript(arrayVariant(VT_R8, SafeArrayCreate(VT_R8, 2, flat)), "JSON.stringify(v)"), "[]");
}

TEST_F(ComHelperTest, ArraysThatCannotBeReadThrowAndGiveNoPartialArray) {
    EXPECT_EQ(toScript(variantOf(VT_ARRAY | VT_I4)), "threw SafeArrayAccessData() failed");
    // Elements of another type than the VARIANT says are not read.
    EXPECT_EQ(toScript(arrayVariant(VT_R8, vectorOf<LONG>(VT_I4, {1, 2}))), "threw SafeArrayAccessData() failed");
    // An element without a script form fails the whole array.
    _variant_t date;
    date.vt = VT_DATE;
    EXPECT_EQ(toScript(arrayVariant(VT_VARIANT, vectorOf<_variant_t>(VT_VARIANT, {_variant_t(), date}))),
              "threw Missing V8 variant implementation (returnVar.vt): 7");
}

TEST_F(ComHelperTest, UnknownsAreAskedForIDispatch) {
    TypedDispatch object(host.typeInfo(iidItem));
    VARIANT variant = variantOf(VT_UNKNOWN);
    variant.punkVal = object.unknown();
    EXPECT_EQ(toScript(variant, "typeof v.Activate"), "function");
    object.failQueryInterface();
    TypedDispatch refusing(host.typeInfo(iidItem));
    refusing.failQueryInterface();
    variant.punkVal = refusing.unknown();
    EXPECT_EQ(toScript(variant), "empty");
    variant.punkVal = nullptr;
    EXPECT_EQ(toScript(variant), "empty");
    expectBalancedAfterTeardown(object, refusing);
}

TEST_F(ComHelperTest, AnObjectWithoutTypeInformationIsStillWrappedAndGoesBackAsItself) {
    TypedDispatch object;
    VARIANT variant = variantOf(VT_DISPATCH);
    variant.pdispVal = &object;
    EXPECT_EQ(toScript(variant, "typeof v"), "object");
    EXPECT_EQ(asserts, (std::vector<std::string>{"Failed to get GetTypeInfo.", "guid should not be null",
                                                 "ActiveX class not found"}));
    inContext([&](auto context) {
        VARIANT back = ComHelper::variant_v8ToCom(isolate(), evaluate(context, "v"));
        EXPECT_EQ(back.pdispVal, static_cast<IDispatch*>(&object));
        VariantClear(&back);
    });
    expectBalancedAfterTeardown(object);
}

// The engine's options: dates, currencies and decimals.
// A record has no script form: the script gets an opaque object whose every
// use throws, naming the record's type, and which goes back to COM as a copy
// of the record. The copies balance once the engine is gone.
TEST_F(ComHelperTest, ARecordIsAnOpaqueObjectThatOnlyGoesBackToCom) {
    CountedRecordInfo info;
    TextRecord original{SysAllocString(u"text")};
    VARIANT record = variantOf(VT_RECORD);
    record.pvRecord = &original;
    record.pRecInfo = &info;
    std::string const refused = "The COM record TextRecord has no script form: a script can only pass it back to COM";
    inContext([&](auto context) {
        v8::TryCatch tryCatch(isolate());
        v8::Local<v8::Value> value = ComHelper::convertBorrowedVariant(record, isolate());
        ASSERT_FALSE(value.IsEmpty());
        context->Global()->Set(context, v8_string(isolate(), "v"), value).Check();
        for (char const* use : {"v.text", "v.text = 1", "v[0]", "v[0] = 1", "Object.keys(v)", "delete v.text", "v()",
                                "String(v)", "v + 1"}) {
            v8::Local<v8::Value> result;
            EXPECT_FALSE(v8::Script::Compile(context, v8_string(isolate(), use)).ToLocalChecked()->Run(context).ToLocal(&result))
                << use;
            EXPECT_EQ(qor_string(tryCatch.Exception(), isolate()), refused) << use;
            tryCatch.Reset();
        }
        VARIANT back = ComHelper::variant_v8ToCom(isolate(), evaluate(context, "v"));
        ASSERT_EQ(back.vt, VT_RECORD);
        EXPECT_NE(back.pvRecord, record.pvRecord);
        EXPECT_EQ(std::u16string_view(static_cast<TextRecord*>(back.pvRecord)->text), u"text");
        VariantClear(&back);
    });
    // An object the script made is no record, whatever it looks like.
    EXPECT_NE(toCom("({pvRecord: 1, pRecInfo: 2})").vt, VT_RECORD);
    expectBalancedAfterTeardown(info);
    EXPECT_EQ(info.clears(), info.copies());
    SysFreeString(original.text);
}

class ComHelperOptionsTest : public ComHelperTest {
protected:
    ComHelperOptionsTest() { engine->setOptions(EngineOptions::all()); }
};

// What the script's local-time getters show.
constexpr char const* localParts = "[v.getFullYear(), v.getMonth() + 1, v.getDate(), v.getHours(), v.getMinutes(), "
                                   "v.getSeconds(), v.getMilliseconds()].join('-')";

// The sample's extensions script shows ordinary dates both ways; these are
// the fractions, milliseconds, summer time and the ends of the range.
TEST_F(ComHelperOptionsTest, OleDatesAreScriptDatesOfTheSameLocalDateAndTime) {
    for (auto const& [date, parts] : std::vector<std::pair<DATE, std::string>>{
             {-1.25, "1899-12-29-6-0-0-0"},
             {-0.5, "1899-12-30-12-0-0-0"},
             {45352 + 1.0 / 86'400'000, "2024-3-1-0-0-0-1"},
             {45485.5, "2024-7-12-12-0-0-0"},
             {-657434, "100-1-1-0-0-0-0"},
             {2958465 + 86399.0 / 86400, "9999-12-31-23-59-59-0"}}) {
        VARIANT variant = variantOf(VT_DATE);
        variant.date = date;
        EXPECT_EQ(toScript(variant, std::string("v instanceof Date && ") + localParts), parts) << date;
    }
    for (auto const& [code, date] : std::vector<std::pair<std::string, DATE>>{
             {"new Date(2024, 6, 12, 12)", 45485.5}, {"new Date(2024, 2, 1, 0, 0, 0, 1)", 45352 + 1.0 / 86'400'000}}) {
        _variant_t converted = toCom(code);
        EXPECT_EQ(converted.vt, VT_DATE) << code;
        EXPECT_DOUBLE_EQ(converted.date, date) << code;
    }
    EXPECT_EQ(toScript(arrayVariant(VT_DATE, vectorOf<DATE>(VT_DATE, {0, -1.25})), "v.map(d => d.getDate() + '/' + d.getHours()).join()"), "30/0,29/6");
    EXPECT_TRUE(asserts.empty());
}

// Where the clocks change (the suite runs the date tests again in zones that
// have them), a local date and time is the first moment the clock shows it or
// a later time.
TEST_F(ComHelperOptionsTest, DatesWhereTheClocksChangeAreTheFirstMomentsTheClockShowsThem) {
    // Each change of 2024: its moment, what the clock showed until then and
    // what it shows from then, as milliseconds counted as UTC counts them.
    std::istringstream changes(run(R"((() => {
      const shown = (x) => { const t = new Date(x); return Date.UTC(t.getFullYear(), t.getMonth(), t.getDate(),
                               t.getHours(), t.getMinutes(), t.getSeconds(), t.getMilliseconds()); };
      const offset = (x) => new Date(x).getTimezoneOffset();
      const found = [];
      for (let x = Date.UTC(2024, 0, 1); x < Date.UTC(2025, 0, 1); x += 3600000) {
        let low = x - 3600000, high = x;
        if (offset(low) === offset(high)) continue;
        while (high - low > 1) { const middle = low + Math.floor((high - low) / 2);
                                 if (offset(middle) === offset(high)) high = middle; else low = middle; }
        found.push(high, shown(high - 1) + 1, shown(high));
      }
      return found.join(' ');
    })())"));
    auto const oleDateOf = [](double shown) { return shown / 86'400'000 + 25'569; };
    int seen = 0;
    for (std::int64_t moment = 0, until = 0, from = 0; changes >> moment >> until >> from; ++seen) {
        std::int64_t const middle = (until + from) / 2;
        VARIANT variant = variantOf(VT_DATE);
        variant.date = oleDateOf(static_cast<double>(middle));
        // Skipped: the moment the clocks went forward. Repeated: the first of
        // its two moments; the second comes back as the same time.
        std::int64_t const expected = from > until ? moment : moment - (until - middle);
        EXPECT_EQ(toScript(variant, "String(v.getTime() - " + std::to_string(expected) + ")"), "0") << moment;
        std::int64_t const later = from > until ? moment : moment + (middle - from);
        _variant_t back = toCom("new Date(" + std::to_string(later) + ")");
        EXPECT_DOUBLE_EQ(back.date, oleDateOf(static_cast<double>(from > until ? from : middle))) << moment;
    }
    if (seen == 0)
        GTEST_SKIP() << "the clocks do not change in this zone";
}

TEST_F(ComHelperOptionsTest, DatesOutsideTheYearsOleDatesCoverHaveNoOtherForm) {
    for (DATE date : {-657435.0, 2958466.0, 1e300, std::nan("")}) {
        VARIANT variant = variantOf(VT_DATE);
        variant.date = date;
        // Every option is on: failures are Errors.
        EXPECT_EQ(toScript(variant).rfind("threw Error: A date from COM is outside the years 100 to 9999", 0), 0u)
            << date;
    }
    for (std::string code : {"new Date(NaN)", "new Date(-1e15)"}) {
        asserts.clear();
        EXPECT_EQ(toCom(code).vt, VT_EMPTY) << code;
        EXPECT_EQ(asserts, std::vector<std::string>{"date out of range"}) << code;
    }
}

TEST_F(ComHelperOptionsTest, CurrenciesAndDecimalsAreTheNearestNumbers) {
    auto currency = [](LONGLONG units) {
        VARIANT variant = variantOf(VT_CY);
        variant.cyVal.int64 = units;
        return variant;
    };
    auto decimal = [](ULONG high, ULONGLONG low, BYTE scale, bool negative) {
        VARIANT variant{};
        variant.decVal.Hi32 = high;
        variant.decVal.Lo64 = low;
        variant.decVal.scale = scale;
        variant.decVal.sign = negative ? DECIMAL_NEG : 0;
        variant.vt = VT_DECIMAL;
        return variant;
    };
    // The script's own literals are the nearest doubles of their texts.
    for (auto const& [variant, literal] : std::vector<std::pair<VARIANT, std::string>>{
             {currency(15000), "1.5"},
             {currency(1), "0.0001"},
             {currency(std::numeric_limits<LONGLONG>::min()), "-922337203685477.5808"},
             {decimal(0, 5, 1, false), "0.5"},
             {decimal(0, 1, 28, false), "1e-28"},
             {decimal(0xFFFFFFFF, ~0ULL, 0, false), "79228162514264337593543950335"},
             {decimal(0, 123456789, 4, true), "-12345.6789"},
             {decimal(0x405, 0xFDF7E5AF85E00000ULL, 20, false), "190"}})
        EXPECT_EQ(toScript(variant, "typeof v + ' ' + (v === " + literal + ")"), "number true") << literal;
    EXPECT_EQ(toScript(decimal(0, 1, 29, false)), "threw Error: A DECIMAL from COM has a scale beyond 28");
    EXPECT_EQ(toScript(arrayVariant(VT_CY, vectorOf<CY>(VT_CY, {currency(25000).cyVal, currency(-1).cyVal})), "v.join()"),
              "2.5,-0.0001");
}

// --- script values as COM objects -------------------------------------------------

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
    ASSERT_EQ(invoke(wrapper.get(), DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, &result), S_OK);
    EXPECT_EQ(result, _variant_t(u"4,5"));
    result.Clear();
    ASSERT_EQ(invoke(wrapper.get(), DISPID_NEWENUM, DISPATCH_METHOD, &none, &result), S_OK);
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

// A call from COM while no script runs is a run: the host's stop and the time
// limit end it, COM's caller learns why, and so does the host, as of any run.
TEST_F(ScriptObjectTest, ACallFromComWhileNoScriptRunsIsARunThatAStopOrALimitEnds) {
    // Bounded, so that a call the stop misses ends too.
    std::string const spin = "const end = Date.now() + 2000; while (Date.now() < end); return 'ran out';";
    ComRef<IDispatchEx> function = toCom("() => { " + spin + " }");
    ComRef<IDispatchEx> object = toCom("({ spin() { " + spin + " } })");
    DispatchArguments none{};
    std::atomic<bool> done{false};
    std::thread host([&] {
        while (!done) {
            engine->terminateScript();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_EQ(invoke(function.get(), DISPID_VALUE, DISPATCH_METHOD, none.params(), &none.result), DISP_E_EXCEPTION);
    done = true;
    host.join();
    EXPECT_EQ(description(), "Script terminated by the host");
    engine->setTimeLimit(std::chrono::milliseconds(50));
    EXPECT_EQ(invoke(object.get(), dispidOf(object.get(), u"spin", 0), DISPATCH_METHOD, none.params(), &none.result),
              DISP_E_EXCEPTION);
    engine->setTimeLimit(std::nullopt);
    EXPECT_EQ(description(), "Script terminated: it ran longer than its time limit of 0.05 s");
    EXPECT_EQ(reportedMessages(), (std::vector<std::string>{"Script terminated by the host",
                                                            "Script terminated: it ran longer than its time limit of 0.05 s"}));
    EXPECT_EQ(run("6 * 7"), "42");
}

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
