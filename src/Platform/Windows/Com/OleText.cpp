#include "Platform/Windows/Com/OleText.h"

#include "String/Utf.h"

namespace qor::platform::windows::com {
namespace {

std::u16string_view asUtf16(OleStringView text) {
    static_assert(sizeof(OLECHAR) == sizeof(char16_t));
    return {reinterpret_cast<char16_t const*>(text.data()), text.size()};
}

OleStringView bstrView(BSTR text) {
    return text == nullptr ? OleStringView{} : OleStringView{text, SysStringLen(text)};
}

} // namespace

OleString oleFromUtf8(std::string_view text) {
    std::u16string wide = string::utf8ToUtf16(text);
    return {reinterpret_cast<OLECHAR const*>(wide.data()), wide.size()};
}

std::string utf8FromOle(OleStringView text) {
    return string::utf16ToUtf8(asUtf16(text));
}

std::string utf8FromOle(BSTR text) {
    return utf8FromOle(bstrView(text));
}

} // namespace qor::platform::windows::com
