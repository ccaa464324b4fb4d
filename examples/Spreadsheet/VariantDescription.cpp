#include "VariantDescription.h"

#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/OleText.h"
#include "OleDate.h"

#include <algorithm>
#include <iterator>

#include <fmt/format.h>

namespace qor::examples::spreadsheet {
namespace {

using platform::windows::com::ComRef;
using platform::windows::com::utf8FromOle;

struct TypeName {
    VARTYPE vt;
    char const* name;
};

constexpr TypeName typeNames[] = {
    {VT_EMPTY, "VT_EMPTY"},     {VT_NULL, "VT_NULL"},       {VT_I1, "VT_I1"},
    {VT_I2, "VT_I2"},           {VT_I4, "VT_I4"},           {VT_I8, "VT_I8"},
    {VT_INT, "VT_INT"},         {VT_UI1, "VT_UI1"},         {VT_UI2, "VT_UI2"},
    {VT_UI4, "VT_UI4"},         {VT_UI8, "VT_UI8"},         {VT_UINT, "VT_UINT"},
    {VT_R4, "VT_R4"},           {VT_R8, "VT_R8"},           {VT_CY, "VT_CY"},
    {VT_DATE, "VT_DATE"},       {VT_BSTR, "VT_BSTR"},       {VT_DISPATCH, "VT_DISPATCH"},
    {VT_ERROR, "VT_ERROR"},     {VT_BOOL, "VT_BOOL"},       {VT_VARIANT, "VT_VARIANT"},
    {VT_UNKNOWN, "VT_UNKNOWN"}, {VT_DECIMAL, "VT_DECIMAL"},
};

char const* typeName(VARTYPE vt) {
    auto const found = std::ranges::find(typeNames, vt, &TypeName::vt);
    return found != std::end(typeNames) ? found->name : nullptr;
}

std::string typeText(VARTYPE vt) {
    std::string text = (vt & VT_ARRAY) ? "VT_ARRAY|" : "";
    char const* name = typeName(static_cast<VARTYPE>(vt & VT_TYPEMASK));
    return text + (name != nullptr ? std::string(name) : fmt::format("VT {}", vt & VT_TYPEMASK));
}

// The name of the type an object reports, or nothing.
std::string objectTypeName(IDispatch* object) {
    ComRef<ITypeInfo> typeInfo;
    _bstr_t name;
    if (object == nullptr || FAILED(object->GetTypeInfo(0, 0, typeInfo.put())) || !typeInfo ||
        FAILED(typeInfo->GetDocumentation(MEMBERID_NIL, name.GetAddress(), nullptr, nullptr, nullptr)))
        return {};
    return utf8FromOle(name.GetBSTR());
}

std::string convertedText(VARIANT const& value) {
    _variant_t text;
    if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR)))
        return {};
    return utf8FromOle(text.bstrVal);
}

std::string valueText(VARIANT const& value) {
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return {};
    case VT_R4:
        return fmt::format("{}", value.fltVal);
    case VT_R8:
        return fmt::format("{}", value.dblVal);
    case VT_BOOL:
        return value.boolVal != VARIANT_FALSE ? "true" : "false";
    case VT_BSTR:
        return "\"" + utf8FromOle(value.bstrVal) + "\"";
    case VT_DATE:
        return formatOleDate(value.date).value_or(fmt::format("{}", value.date));
    case VT_DISPATCH:
        return objectTypeName(value.pdispVal);
    case VT_ERROR:
        return fmt::format("{:#010x}", static_cast<std::uint32_t>(value.scode));
    default:
        // Integers and the rarer types read as the runtime writes them.
        return (value.vt & VT_ARRAY) ? std::string() : convertedText(value);
    }
}

} // namespace

std::string describeVariant(VARIANT const& value) {
    if (value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND)
        return "missing";
    _variant_t plain;
    if (FAILED(VariantCopyInd(&plain, &value)))
        return typeText(value.vt);
    std::string const text = valueText(plain);
    return text.empty() ? typeText(plain.vt) : typeText(plain.vt) + " " + text;
}

} // namespace qor::examples::spreadsheet
