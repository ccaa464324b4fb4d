// Script values to VARIANTs and back, called directly in an engine's context.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/ComHelper.h"
#include "Format/Engine/JavaScript/Com/IsolateData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <functional>
#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

namespace ComHelper = format::engine::javascript::ComHelper;
using assert::AssertInfo;
using assert::ScopedAssertSink;

class ComHelperTest : public BindingTest {
protected:
    ComHelperTest() : sink([this](AssertInfo const& info) { asserts.emplace_back(info.message); }) {
        run("");
    }

    // Runs `body` with the engine's context entered.
    void inContext(std::function<void(v8::Local<v8::Context>)> const& body) {
        engine->runScript([&](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) { body(context); });
    }
    v8::Local<v8::Value> evaluate(v8::Local<v8::Context> context, std::string const& code) {
        auto source = v8::String::NewFromUtf8(isolate(), code.c_str()).ToLocalChecked();
        return v8::Script::Compile(context, source).ToLocalChecked()->Run(context).ToLocalChecked();
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
                text = tryCatch.HasCaught() ? "threw " + V8Helper(tryCatch.Exception()) : "empty";
                return;
            }
            context->Global()->Set(context, v8::String::NewFromUtf8Literal(isolate(), "v"), value).Check();
            text = V8Helper(evaluate(context, expression));
        });
        return text;
    }
    std::string V8Helper(v8::Local<v8::Value> value) {
        v8::String::Utf8Value utf8(isolate(), value);
        return std::string(*utf8, static_cast<std::size_t>(utf8.length()));
    }

    std::vector<std::string> asserts;
    ScopedAssertSink sink;
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

// The other numbers are shown by the sample's values script.
TEST_F(ComHelperTest, NegativeZeroAndNumbersBelowI4AreDoubles) {
    EXPECT_EQ(toCom("-2147483649").vt, VT_R8);
    _variant_t const zero = toCom("-0");
    EXPECT_EQ(zero.vt, VT_R8);
    EXPECT_TRUE(std::signbit(zero.dblVal));
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
    _variant_t withNul;
    withNul.vt = VT_BSTR;
    withNul.bstrVal = SysAllocStringLen(u"ab\0cd", 5);
    EXPECT_EQ(toScript(withNul, "v.length"), "5");
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

    // Elements of a VARIANT array convert one by one, nested arrays too.
    _variant_t mixed = arrayVariant(
        VT_VARIANT, vectorOf<_variant_t>(VT_VARIANT, {_variant_t(u"one"), arrayVariant(VT_I4, vectorOf<LONG>(VT_I4, {1, 2}))}));
    EXPECT_EQ(toScript(mixed, "JSON.stringify(v)"), "[\"one\",[1,2]]");
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
class ComHelperOptionsTest : public ComHelperTest {
protected:
    ComHelperOptionsTest() { engine->setOptions(format::engine::javascript::EngineOptions::all()); }
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

TEST_F(ComHelperOptionsTest, DatesOutsideTheYearsOleDatesCoverHaveNoOtherForm) {
    for (DATE date : {-657435.0, 2958466.0, 1e300, std::nan("")}) {
        VARIANT variant = variantOf(VT_DATE);
        variant.date = date;
        EXPECT_EQ(toScript(variant).rfind("threw A date from COM is outside the years 100 to 9999", 0), 0u) << date;
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
    EXPECT_EQ(toScript(decimal(0, 1, 29, false)), "threw A DECIMAL from COM has a scale beyond 28");
    EXPECT_EQ(toScript(arrayVariant(VT_CY, vectorOf<CY>(VT_CY, {currency(25000).cyVal, currency(-1).cyVal})), "v.join()"),
              "2.5,-0.0001");
}

} // namespace
} // namespace qor::test::bindings
