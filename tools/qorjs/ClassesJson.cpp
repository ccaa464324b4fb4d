#include "ClassesJson.h"

#include "Platform/Windows/Com/OleText.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace qor::tools::qorjs {
namespace {

namespace com = platform::windows::com;
using format::engine::javascript::ComClass;
using format::engine::javascript::ComFunction;
using format::engine::javascript::ComParameter;
using json = nlohmann::ordered_json;


std::optional<double> asNumber(VARIANT const& value) {
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, &value, 0, VT_R8)))
        return std::nullopt;
    return converted.dblVal;
}

std::optional<std::string> asText(VARIANT const& value) {
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, &value, 0, VT_BSTR)))
        return std::nullopt;
    return com::utf8FromOle(converted.bstrVal);
}

json parameterToJson(ComParameter const& parameter) {
    json object{{"name", utf8FromAnsi(parameter.name)},
                {"typeName", utf8FromAnsi(parameter.typeName)},
                {"vt", parameter.vt},
                {"flags", parameter.flags}};
    if (parameter.defaultValue.vt != VT_EMPTY)
        object["defaultValue"] = variantToJson(parameter.defaultValue);
    if (parameter.elementVt != VT_EMPTY)
        object["elementVt"] = parameter.elementVt;
    return object;
}

json functionToJson(ComFunction const& function) {
    json parameters = json::array();
    for (auto const& parameter : function.parameters)
        parameters.push_back(parameterToJson(parameter));
    json object{{"name", utf8FromAnsi(function.name)}, {"memberId", function.memberId},
                {"invokeKind", function.invokeKind},   {"returnType", utf8FromAnsi(function.returnType)},
                {"returnVt", function.returnVt},       {"parameters", std::move(parameters)}};
    if (!function.interfaceId.isNull())
        object["interface"] = function.interfaceId.toString();
    return object;
}

json classToJson(ComClass const& comClass) {
    json functions = json::array();
    for (auto const& function : comClass.functions)
        functions.push_back(functionToJson(function));
    json object{{"name", comClass.name}, {"guid", comClass.guid.toString()}, {"functions", std::move(functions)}};
    if (!comClass.constants.empty()) {
        json constants = json::array();
        for (auto const& constant : comClass.constants)
            constants.push_back(json{{"name", utf8FromAnsi(constant.name)}, {"value", variantToJson(constant.value)}});
        object["constants"] = std::move(constants);
    }
    return object;
}

} // namespace

std::string utf8FromAnsi(std::string const& text) {
    if (text.empty())
        return text;
    int const length = static_cast<int>(text.size());
    int const size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (size <= 0)
        return text;
    com::OleString wide(static_cast<std::size_t>(size), OLECHAR{});
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
    return com::utf8FromOle(wide);
}

json variantToJson(VARIANT const& value) {
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return nullptr;
    case VT_BOOL:
        return value.boolVal != VARIANT_FALSE;
    case VT_BSTR:
        return com::utf8FromOle(value.bstrVal);
    case VT_I1:
        return static_cast<int>(static_cast<signed char>(value.cVal));
    case VT_I2:
        return value.iVal;
    case VT_I4:
        return value.lVal;
    case VT_I8:
        return value.llVal;
    case VT_INT:
        return value.intVal;
    case VT_UI1:
        return value.bVal;
    case VT_UI2:
        return value.uiVal;
    case VT_UI4:
        return value.ulVal;
    case VT_UI8:
        return value.ullVal;
    case VT_UINT:
        return value.uintVal;
    case VT_ERROR:
        return value.scode;
    default:
        break;
    }
    // Currency, dates, decimals and reals are numbers to a reader of JSON;
    // anything else is shown as the text it converts to, if any.
    if (auto number = asNumber(value))
        return *number;
    if (auto text = asText(value))
        return *text;
    return nullptr;
}

json classesToJson(format::engine::javascript::ComExtract const& extract) {
    // The extract has no order of its own; a listing should read the same
    // every time.
    std::vector<ComClass const*> classes;
    for (auto const& comClass : extract.classes)
        classes.push_back(&comClass);
    std::sort(classes.begin(), classes.end(), [](ComClass const* a, ComClass const* b) {
        return std::tie(a->name, a->guid) < std::tie(b->name, b->guid);
    });
    json array = json::array();
    for (ComClass const* comClass : classes)
        array.push_back(classToJson(*comClass));
    return array;
}

} // namespace qor::tools::qorjs
