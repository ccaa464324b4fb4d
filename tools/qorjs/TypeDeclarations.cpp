#include "TypeDeclarations.h"

#include "ClassesJson.h"

#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <map>
#include <set>
#include <string_view>
#include <unordered_set>

namespace qor::tools::qorjs {
namespace {

namespace js = format::engine::javascript;
using js::ComParameter;
using js::ComParameters;
using js::EngineOptions;
using js::V8Class;
using js::V8Function;
using js::V8Property;

constexpr std::string_view typeNamespace = "QorCom";

bool isIdentifierName(std::string_view name) {
    auto const start = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$'; };
    return !name.empty() && start(name.front()) &&
           std::all_of(name.begin() + 1, name.end(), [&](char c) { return start(c) || (c >= '0' && c <= '9'); });
}

// Words no declared name and no parameter may be, in strict code.
bool isReservedWord(std::string_view name) {
    static std::unordered_set<std::string_view> const words{
        "break",     "case",      "catch",     "class",   "const",      "continue",  "debugger", "default",
        "delete",    "do",        "else",      "enum",    "export",     "extends",   "false",    "finally",
        "for",       "function",  "if",        "import",  "in",         "instanceof", "new",     "null",
        "return",    "super",     "switch",    "this",    "throw",      "true",      "try",      "typeof",
        "var",       "void",      "while",     "with",    "implements", "interface", "let",      "package",
        "private",   "protected", "public",    "static",  "yield",      "await",     "eval",     "arguments"};
    return words.contains(name);
}

// Names TypeScript keeps for its own types.
bool isPredefinedTypeName(std::string_view name) {
    static std::unordered_set<std::string_view> const names{"any",    "boolean", "number", "string",   "symbol",
                                                            "bigint", "object",  "never",  "unknown", "undefined"};
    return names.contains(name);
}

// The values that --lib es2022,scripthost and the engine itself declare: a
// class of that name cannot be declared beside them.
bool isTakenGlobal(std::string_view name) {
    static std::unordered_set<std::string_view> const names{
        "ActiveXObject", "AggregateError", "Array", "ArrayBuffer", "Atomics", "BigInt", "BigInt64Array",
        "BigUint64Array", "Boolean", "DataView", "Date", "Enumerator", "Error", "EvalError",
        "FinalizationRegistry", "Float32Array", "Float64Array", "Function", "Infinity", "Int16Array", "Int32Array",
        "Int8Array", "Intl", "JSON", "Map", "Math", "NaN", "Number", "Object", "Promise", "Proxy", "RangeError",
        "ReferenceError", "Reflect", "RegExp", "Set", "SharedArrayBuffer", "String", "Symbol", "SyntaxError",
        "TypeError", "URIError", "Uint16Array", "Uint32Array", "Uint8Array", "Uint8ClampedArray", "VBArray", "WSH",
        "WScript", "WeakMap", "WeakRef", "WeakSet", "decodeURI", "decodeURIComponent", "encodeURI",
        "encodeURIComponent", "escape", "isFinite", "isNaN", "parseFloat", "parseInt", "unescape", "globalThis",
        "undefined", "console", "Include", "ConnectObject", "DisconnectObject", "setTimeout", "setInterval",
        "clearTimeout", "clearInterval", "queueMicrotask", std::string_view(typeNamespace)};
    return names.contains(name);
}

std::string quoted(std::string const& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A member name as a property key: quoted unless it is an identifier.
std::string propertyKey(std::string_view ansiName) {
    std::string const name = utf8FromAnsi(ansiName);
    return isIdentifierName(name) ? name : quoted(name);
}

bool isEnumeration(V8Class const& v8Class) {
    return !v8Class.constants.empty() && v8Class.functions.empty() && v8Class.properties.empty();
}

// True for a class whose global TypeScript can name as it is.
bool isDeclarable(V8Class const& v8Class) {
    return !js::isReservedName(v8Class.name) && isIdentifierName(v8Class.name) && !isReservedWord(v8Class.name) &&
           !isPredefinedTypeName(v8Class.name) && !isTakenGlobal(v8Class.name);
}

enum class Use { argument, constructorArgument };

// The VARIANT types scripts get as numbers, and those they get as BigInts.
constexpr VARTYPE numberTypes[] = {VT_I1, VT_I2, VT_I4, VT_INT, VT_UI1, VT_UI2, VT_R4, VT_R8};
constexpr VARTYPE bigIntTypes[] = {VT_UI4, VT_UINT, VT_I8, VT_UI8};

bool isOneOf(VARTYPE vt, std::initializer_list<VARTYPE> types) {
    return std::ranges::find(types, vt) != types.end();
}

template <std::size_t N>
bool isOneOf(VARTYPE vt, VARTYPE const (&types)[N]) {
    return std::ranges::find(types, vt) != std::end(types);
}

std::string arrayOf(std::string const& element) {
    return element.find(' ') == std::string::npos ? element + "[]" : "(" + element + ")[]";
}

std::string indented(std::string const& line, int depth) {
    return line.empty() ? line : std::string(static_cast<std::size_t>(depth) * 4, ' ') + line;
}

class Writer {
public:
    Writer(js::ClassMap const& classes, EventSources const& events, EngineOptions const& options)
        : classes_(classes), events_(events), options_(options) {
        for (auto const& [guid, v8Class] : classes)
            if (isDeclarable(v8Class))
                byName_.emplace(v8Class.name, &v8Class);
    }

    std::string write(std::vector<ProgIdClass> const& progIds) {
        writeEngineGlobals();
        writeProgIds(progIds);
        out_ += "declare namespace " + std::string(typeNamespace) + " {\n";
        for (auto const& [name, v8Class] : byName_)
            writeInterface(*v8Class);
        out_ += "}\n";
        for (auto const& [name, v8Class] : byName_)
            writeGlobal(*v8Class);
        writeUndeclared();
        return std::move(out_);
    }

private:
    // The type that stands for the class named `name`: its interface, a
    // number for an enumeration, nothing for a class not declared.
    std::optional<std::string> classType(std::string const& name) const {
        auto const found = byName_.find(name);
        if (found == byName_.end())
            return std::nullopt;
        if (isEnumeration(*found->second))
            return "number";
        return std::string(typeNamespace) + "." + name;
    }

    // What scripts may pass where COM declares `vt`: BigInts never go to COM.
    std::string inputOf(VARTYPE vt, Use use) const {
        if (isOneOf(vt, numberTypes) || isOneOf(vt, bigIntTypes) || isOneOf(vt, {VT_CY, VT_DECIMAL, VT_ERROR}))
            return "number";
        switch (vt) {
        case VT_DATE:
            // A constructor's overload takes a Date for an object parameter.
            return options_.dates && use == Use::argument ? "Date | number" : "number";
        case VT_BSTR:
            return "string";
        case VT_BOOL:
            return "boolean";
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return "object | null";
        case VT_VARIANT:
            // A constructor's overloads are told apart by which arguments are
            // objects: only pointer parameters take them.
            return use == Use::constructorArgument ? "string | number | boolean | null | undefined" : "any";
        default:
            return "any";
        }
    }

    std::string inputOf(ComParameter const& parameter, Use use) const {
        switch (parameter.vt) {
        case VT_PTR:
            // By reference: scripts can only pass a placeholder.
            if (parameter.typeName.starts_with('*'))
                return "unknown";
            return classType(utf8FromAnsi(parameter.typeName)).value_or("object");
        case VT_USERDEFINED:
            return classType(utf8FromAnsi(parameter.typeName)).value_or("any");
        case VT_SAFEARRAY:
            return "readonly " +
                   arrayOf(inputOf(parameter.elementVt == VT_EMPTY ? VARTYPE{VT_VARIANT} : parameter.elementVt, use));
        default:
            return inputOf(parameter.vt, use);
        }
    }

    // The element types of the SAFEARRAYs that scripts get as arrays.
    bool isArrayElement(VARTYPE vt) const {
        return isOneOf(vt, numberTypes) || isOneOf(vt, bigIntTypes) || isOneOf(vt, {VT_BSTR, VT_VARIANT}) ||
               (vt == VT_DATE && options_.dates) || (isOneOf(vt, {VT_CY, VT_DECIMAL}) && options_.currencyAndDecimal);
    }

    // What scripts get of a value COM gives as `vt`; `never` where the
    // engine throws instead.
    std::string outputOf(VARTYPE vt, std::string_view typeName) const {
        if ((vt & VT_ARRAY) != 0) {
            auto const element = static_cast<VARTYPE>(vt & VT_TYPEMASK);
            return isArrayElement(element) ? arrayOf(outputOf(element, {})) : "never";
        }
        if (isOneOf(vt, numberTypes))
            return "number";
        if (isOneOf(vt, bigIntTypes))
            return "bigint";
        switch (vt) {
        case VT_BSTR:
            return "string";
        case VT_BOOL:
            return "boolean";
        case VT_DATE:
            return options_.dates ? "Date" : "never";
        case VT_CY:
        case VT_DECIMAL:
            return options_.currencyAndDecimal ? "number" : "never";
        case VT_ERROR:
            return "never";
        case VT_VOID:
            return "void";
        case VT_EMPTY:
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return classType(utf8FromAnsi(typeName)).value_or("any");
        default:
            return "any";
        }
    }

    static bool isOptional(ComParameter const& parameter) {
        return (parameter.flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) != 0;
    }

    // The parameter list scripts see: without the [out, retval] one, optional
    // from the last required one on, names fit for TypeScript.
    std::string parameterList(ComParameters const& parameters, Use use) const {
        std::vector<ComParameter const*> visible;
        for (ComParameter const& parameter : parameters)
            if ((parameter.flags & PARAMFLAG_FRETVAL) == 0)
                visible.push_back(&parameter);
        std::size_t firstOptional = visible.size();
        while (firstOptional > 0 && isOptional(*visible[firstOptional - 1]))
            --firstOptional;
        std::set<std::string> taken;
        std::string list;
        for (std::size_t i = 0; i < visible.size(); ++i) {
            if (i > 0)
                list += ", ";
            list += parameterName(*visible[i], i, taken) + (i >= firstOptional ? "?: " : ": ") +
                    inputOf(*visible[i], use);
        }
        return list;
    }

    // A parameter's name fit for TypeScript and unlike the others in `taken`.
    static std::string parameterName(ComParameter const& parameter, std::size_t position,
                                     std::set<std::string>& taken) {
        std::string name = utf8FromAnsi(parameter.name);
        if (!isIdentifierName(name))
            name = "arg" + std::to_string(position + 1);
        else if (isReservedWord(name))
            name += '_';
        while (!taken.insert(name).second)
            name += '_';
        return name;
    }

    static std::string defaultsComment(ComParameters const& parameters) {
        std::string comment;
        for (ComParameter const& parameter : parameters)
            if (parameter.defaultValue.vt != VT_EMPTY && parameter.defaultValue.vt != VT_ERROR)
                comment += (comment.empty() ? "" : ", ") + utf8FromAnsi(parameter.name) + " = " +
                           variantToJson(parameter.defaultValue).dump(-1, ' ', false,
                                                                      nlohmann::json::error_handler_t::replace);
        return comment.empty() ? comment : "/** Defaults: " + comment + ". */\n";
    }

    void writeEngineGlobals() {
        out_ += "// The globals of a QorJavaScriptCom engine";
        // The task queue changes no COM binding: it is no extension of them.
        EngineOptions extensions = options_;
        extensions.eventLoop = false;
        out_ += extensions == EngineOptions{} ? "" : " with its extensions";
        out_ += ", as qorjs --dts declares them. Check scripts with\n"
                "//   tsc --noEmit --allowJs --checkJs --lib es2022,scripthost THIS.d.ts SCRIPT.js\n\n"
                "/** Runs the script file `name` once: later calls with the same name do nothing. */\n"
                "declare function Include(name: string): void;\n\n"
                "interface Enumerator<T = any> {\n"
                "    /** Walks on from the current item, moving the Enumerator. */\n"
                "    [Symbol.iterator](): IterableIterator<T>;\n"
                "}\n\n";
        if (options_.errorObjects)
            out_ += "/** What a failed use of a COM object throws: an Error, or a TypeError or RangeError for a\n"
                    " * wrong argument, whose message names the member and the argument. */\n"
                    "interface ComError extends Error {\n"
                    "    /** The HRESULT, as a signed 32-bit number. */\n"
                    "    number: number;\n"
                    "    /** The failure's text alone. */\n"
                    "    description: string;\n"
                    "    /** Where the object said the failure came from, and where to read more. */\n"
                    "    source?: string;\n"
                    "    helpFile?: string;\n"
                    "    helpContext?: number;\n"
                    "}\n\n";
        if (options_.events)
            out_ += "/** Calls the global functions named `prefix` + event name for the object's events. */\n"
                    "declare function ConnectObject(object: object, prefix: string): void;\n"
                    "declare function DisconnectObject(object: object): void;\n\n";
        if (options_.eventLoop)
            out_ += "/** Calls `callback` with `args` once `delay` ms have passed; the timer's id. */\n"
                    "declare function setTimeout<A extends any[]>(callback: (...args: A) => void, delay?: number, "
                    "...args: A): number;\n"
                    "/** Calls `callback` with `args` every `delay` ms until cleared; the timer's id. */\n"
                    "declare function setInterval<A extends any[]>(callback: (...args: A) => void, delay?: number, "
                    "...args: A): number;\n"
                    "declare function clearTimeout(id?: number): void;\n"
                    "declare function clearInterval(id?: number): void;\n"
                    "/** Calls `callback` once the current task and its promise jobs are done. */\n"
                    "declare function queueMicrotask(callback: () => void): void;\n\n";
    }

    void writeProgIds(std::vector<ProgIdClass> const& progIds) {
        out_ += "/** The registered ProgIDs and the objects new ActiveXObject makes of them. */\n"
                "interface ActiveXObjectNameMap {\n";
        for (ProgIdClass const& progId : progIds) {
            auto const found = classes_.find(progId.clsid);
            if (found == classes_.end())
                continue;
            if (auto type = classType(found->second.name))
                out_ += "    " + quoted(progId.progId) + ": " + *type + ";\n";
        }
        out_ += "}\n\n"
                "interface ActiveXObject {\n"
                "    new <K extends keyof ActiveXObjectNameMap>(progid: K): ActiveXObjectNameMap[K];\n"
                "}\n\n";
    }

    // A class's members as scripts find them on its objects: one per name,
    // a method before a property, the first of two methods.
    void writeInterface(V8Class const& v8Class) {
        bool const global = js::isGlobalObjectClass(v8Class);
        out_ += "    interface " + v8Class.name + " {\n";
        std::unordered_set<std::string_view> names;
        for (V8Function const& function : v8Class.functions) {
            if (!names.insert(function.name()).second)
                continue;
            out_ += indented(defaultsComment(function.parameters()), 2) + "        " + propertyKey(function.name()) + "(" +
                    parameterList(function.parameters(), Use::argument) +
                    "): " + outputOf(function.valueVt(), function.valueType()) + ";\n";
        }
        for (V8Property const& property : v8Class.properties)
            if (names.insert(property.name()).second)
                writeProperty(property, global);
        if (js::hasNewEnum(v8Class))
            out_ += "        [Symbol.iterator](): IterableIterator<" + itemType(v8Class) + ">;\n";
        if (options_.events)
            writeEventFunctions(v8Class, names);
        out_ += "    }\n";
    }

    void writeProperty(V8Property const& property, bool global) {
        // A global object's property is read even without a getter; its
        // setter needs the put's parameter.
        bool const getter = global || property.hasGetter();
        bool const setter = global ? property.hasPutParameter() : property.hasSetter;
        std::string const key = propertyKey(property.name());
        std::string const read = outputOf(property.valueVt(), property.valueType());
        std::string const write = property.hasPutParameter() ? inputOf(*property.putParameter, Use::argument) : read;
        if (getter && !setter)
            out_ += "        readonly " + key + ": " + read + ";\n";
        else if (getter && read == write)
            out_ += "        " + key + ": " + read + ";\n";
        else if (getter)
            out_ += "        get " + key + "(): " + read + ";\n        set " + key + "(value: " + write + ");\n";
        else if (setter)
            out_ += "        set " + key + "(value: " + write + ");\n";
    }

    // What for...of gives: what the collection's default member gives.
    std::string itemType(V8Class const& v8Class) const {
        for (V8Function const& function : v8Class.functions)
            if (function.dispid() == DISPID_VALUE)
                return outputOf(function.valueVt(), function.valueType());
        for (V8Property const& property : v8Class.properties)
            if (property.dispid() == DISPID_VALUE && property.hasGetter())
                return outputOf(property.valueVt(), property.valueType());
        return "any";
    }

    // The prototype's event functions, hidden by members of the same name:
    // for the events of the class's event interface where it is known, as
    // the engine finds it, else for any name.
    void writeEventFunctions(V8Class const& v8Class, std::unordered_set<std::string_view> const& names) {
        std::string const self = std::string(typeNamespace) + "." + v8Class.name;
        std::vector<std::pair<std::string, std::string>> overloads; // event, listener's parameters
        if (V8Class const* source = eventInterfaceOf(v8Class)) {
            std::unordered_set<std::string_view> events;
            for (V8Function const& event : source->functions)
                if (event.invokeKind == INVOKE_FUNC && events.insert(event.name()).second)
                    overloads.emplace_back(quoted(utf8FromAnsi(event.name())), eventArguments(event));
        } else {
            overloads.emplace_back("string", "...args: any[]");
        }
        for (std::string_view const function : {"addEventListener", "removeEventListener"})
            if (!names.contains(function))
                for (auto const& [event, arguments] : overloads)
                    out_ += "        " + std::string(function) + "(event: " + event + ", listener: (this: " + self +
                            (arguments.empty() ? "" : ", ") + arguments + ") => void): void;\n";
    }

    V8Class const* eventInterfaceOf(V8Class const& v8Class) const {
        auto const source = events_.find(v8Class.guid);
        if (source == events_.end())
            return nullptr;
        auto const found = classes_.find(source->second);
        return found == classes_.end() ? nullptr : &found->second;
    }

    // An event's arguments as listeners get them: converted as COM's values are.
    std::string eventArguments(V8Function const& event) const {
        std::set<std::string> taken{"this"};
        std::string list;
        for (std::size_t i = 0; i < event.parameters().size(); ++i) {
            ComParameter const& parameter = event.parameters()[i];
            std::string const type = parameter.vt == VT_PTR || parameter.vt == VT_USERDEFINED
                                         ? classType(utf8FromAnsi(parameter.typeName)).value_or("any")
                                         : outputOf(parameter.vt, {});
            list += (list.empty() ? "" : ", ") + parameterName(parameter, i, taken) + ": " + type;
        }
        return list;
    }

    void writeGlobal(V8Class const& v8Class) {
        std::string const self = std::string(typeNamespace) + "." + v8Class.name;
        if (js::isGlobalObjectClass(v8Class)) {
            out_ += "declare var " + v8Class.name + ": " + self + ";\n";
            return;
        }
        // Scripts give the host's objects handlers by name:
        // Sheet.OnChange = function (...) { ... }.
        out_ += "declare var " + v8Class.name + ": {\n    readonly prototype: " + self +
                ";\n    [handler: string]: unknown;\n";
        for (js::V8Constructor const& constructor : v8Class.constructors)
            out_ += indented(defaultsComment(constructor.parameters), 1) + "    new (" +
                    parameterList(constructor.parameters, Use::constructorArgument) + "): " + self + ";\n";
        for (js::V8Constructor const& constructor : v8Class.constructors)
            out_ += "    /** @deprecated Refused during a debug run: use new " + v8Class.name + "(...). */\n    New(" +
                    parameterList(constructor.parameters, Use::constructorArgument) + "): " + self + ";\n";
        writeConstants(v8Class);
        out_ += "};\n";
    }

    // The constants on the constructor, as the engine puts them there.
    void writeConstants(V8Class const& v8Class) {
        static std::unordered_set<std::string_view> const taken{"prototype", "name",      "length",
                                                                "caller",    "arguments", "New"};
        std::unordered_set<std::string_view> added;
        for (js::ComConstant const& constant : v8Class.constants) {
            std::string const type = constantType(constant.value);
            if (type.empty() || taken.contains(constant.name) || !added.insert(constant.name).second)
                continue;
            out_ += "    readonly " + propertyKey(constant.name) + ": " + type + ";\n";
        }
    }

    // A constant's literal type; empty for a value scripts do not get.
    std::string constantType(VARIANT const& value) const {
        if (isOneOf(value.vt, bigIntTypes))
            return "bigint";
        if (!isOneOf(value.vt, numberTypes) && value.vt != VT_BSTR && value.vt != VT_BOOL)
            return {};
        nlohmann::ordered_json const literal = variantToJson(value);
        if (literal.is_number_float() && !std::isfinite(literal.get<double>()))
            return "number";
        return literal.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }

    // Bound globals TypeScript cannot declare, said so the reader knows.
    void writeUndeclared() {
        std::set<std::string> undeclared;
        for (auto const& [guid, v8Class] : classes_)
            if (!js::isReservedName(v8Class.name) && !isDeclarable(v8Class))
                undeclared.insert(v8Class.name);
        for (std::string const& name : undeclared)
            out_ += "// Not declared, its name is taken or no identifier: " + quoted(name) + "\n";
    }

    js::ClassMap const& classes_;
    EventSources const& events_;
    EngineOptions options_;
    // Sorted, so the declarations read the same every time; where two
    // classes share a name, the engine binds one of them.
    std::map<std::string, V8Class const*> byName_;
    std::string out_;
};

} // namespace

std::string typeDeclarations(js::ClassMap const& classes, std::vector<ProgIdClass> const& progIds,
                             EventSources const& events, EngineOptions const& options) {
    return Writer(classes, events, options).write(progIds);
}

} // namespace qor::tools::qorjs
