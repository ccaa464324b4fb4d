#include "TypeDeclarations.h"

#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::tools::qorjs {
namespace {

using namespace format::engine::javascript;

ComParameter parameter(std::string name, VARTYPE vt, std::uint16_t flags = PARAMFLAG_FIN) {
    VARIANT none;
    VariantInit(&none);
    return ComParameter({}, std::move(name), none, flags, vt);
}

ComFunction method(std::string name, std::vector<ComParameter> parameters, VARTYPE valueVt) {
    ComFunction function;
    function.name = std::move(name);
    function.invokeKind = INVOKE_FUNC;
    function.parameters = std::move(parameters);
    function.valueVt = valueVt;
    return function;
}

V8Class makeClass(std::string name, std::vector<ComFunction> functions, std::vector<ComConstant> constants = {}) {
    ComClass comClass{std::move(name), std::move(functions), {}, std::move(constants)};
    return convertComToV8(comClass, nullptr);
}

std::string declare(std::vector<V8Class> classes, EngineOptions const& options = {}) {
    ClassMap map;
    std::uint32_t next = 1;
    for (V8Class& v8Class : classes) {
        v8Class.guid = Guid(next++, 0, 0, {});
        map.emplace(v8Class.guid, std::move(v8Class));
    }
    return typeDeclarations(map, {}, {}, options);
}

// Names COM allows and TypeScript does not take as they are.
TEST(TypeDeclarations, NamesAreQuotedOrRenamedWhereTypeScriptWouldRefuseThem) {
    std::string const text = declare({
        makeClass("Sheet", {method("my name",
                                   {parameter("default", VT_I4), parameter("2nd", VT_BSTR), parameter("x", VT_BOOL),
                                    parameter("x", VT_BOOL)},
                                   VT_VOID)}),
        makeClass("delete", {}),
        makeClass("Date", {}),
        makeClass("Attribute", {}),
    });
    EXPECT_NE(text.find(R"(        "my name"(default_: number, arg2: string, x: boolean, x_: boolean): void;)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(R"(// Not declared, its name is taken or no identifier: "delete")"), std::string::npos);
    EXPECT_NE(text.find(R"(// Not declared, its name is taken or no identifier: "Date")"), std::string::npos);
    EXPECT_EQ(text.find("Attribute"), std::string::npos) << "a name the engine leaves out is no global";
}

// What the engine gives and takes: BigInts come back for 32-bit unsigned and
// 64-bit values but never go to COM; dates only with the engine option.
TEST(TypeDeclarations, TypesFollowTheConversionsOfTheEngineOptions) {
    auto const classes = [] {
        return std::vector<V8Class>{makeClass(
            "Model", {method("Count", {parameter("n", VT_UI4)}, VT_UI4), method("Big", {parameter("n", VT_I8)}, VT_I8),
                      method("Day", {parameter("when", VT_DATE)}, VT_DATE),
                      method("Money", {}, VT_CY), method("Days", {}, VT_ARRAY | VT_DATE),
                      method("Later", {parameter("a", VT_I4, PARAMFLAG_FOPT), parameter("b", VT_I4),
                                       parameter("c", VT_I4, PARAMFLAG_FOPT), parameter("r", VT_R8, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)},
                             VT_R8)})};
    };
    std::string const standard = declare(classes());
    for (char const* line : {"Count(n: number): bigint;", "Big(n: number): bigint;", "Day(when: number): never;",
                             "Money(): never;", "Days(): never;", "Later(a: number, b: number, c?: number): number;"})
        EXPECT_NE(standard.find(line), std::string::npos) << line << "\n" << standard;
    std::string const extended = declare(classes(), EngineOptions::all());
    for (char const* line : {"Day(when: Date | number): Date;", "Money(): number;", "Days(): Date[];",
                             "addEventListener(event: string", "declare function ConnectObject(",
                             "declare function setTimeout<", "declare function queueMicrotask(",
                             "interface ComError extends Error {\n    /** The HRESULT, as a signed 32-bit number. */\n"
                             "    number: number;"})
        EXPECT_NE(extended.find(line), std::string::npos) << line << "\n" << extended;
    EXPECT_EQ(standard.find("setTimeout"), std::string::npos) << "no timers without the task queue";
    EXPECT_EQ(standard.find("ComError"), std::string::npos) << "failures are strings without the option";
}

TEST(TypeDeclarations, ConstantsAreReadOnlyPropertiesOfTheConstructor) {
    std::string const text = declare({makeClass("Colour", {},
                                                {ComConstant{"Red", _variant_t(LONG{5})},
                                                 ComConstant{"Huge", _variant_t(ULONGLONG{1})},
                                                 ComConstant{"prototype", _variant_t(LONG{1})},
                                                 ComConstant{"Red", _variant_t(LONG{6})}})});
    EXPECT_NE(text.find("    readonly Red: 5;\n    readonly Huge: bigint;\n};"), std::string::npos) << text;
}

} // namespace
} // namespace qor::tools::qorjs
