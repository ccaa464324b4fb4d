#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Platform/Com.h"
#include "Platform/Windows/ErrorCode.h"
#include "String/Utf.h"

namespace qor::platform::windows {

// Lists the resources of one type of a module that carry numeric
// identifiers, as type libraries in "TYPELIB" resources do. Text is the
// string type the callbacks receive the resource type's name in: UTF-8
// (std::string) or UTF-16 (std::basic_string<WCHAR>).
template <class Text>
class ResourceEnumerator {
public:
    using WideText = std::basic_string_view<WCHAR>;
    // Something that did not stop the enumeration: a named resource that was
    // left out, or why nothing was found (with the Windows error code).
    using NoticeCallback = std::function<void(WideText message, std::int64_t code, Text const& type)>;
    // One resource; returning false ends the enumeration.
    using ResourceCallback = std::function<bool(HMODULE module, std::int64_t id, Text const& type)>;

    // Reports, in the module's order, every resource of `type` whose
    // identifier lies between firstId and lastId (no upper bound when
    // lastId is empty).
    void vEnumResources(HMODULE module, WideText type, NoticeCallback const& onNotice, std::int64_t firstId,
                        std::optional<std::int64_t> lastId, ResourceCallback const& onResource) const {
        std::basic_string<WCHAR> const typeName(type);
        Text const typeText = convert(typeName);
        Names names;
        // User callbacks run after the system enumeration has returned, so
        // nothing of theirs ever unwinds through system code.
        if (!EnumResourceNamesW(module, typeName.c_str(), &collect, reinterpret_cast<LONG_PTR>(&names))) {
            DWORD const error = GetLastError();
            notify(onNotice, ErrorCode::sMessage(error), error, typeText);
            return;
        }
        for (auto const& name : names.named)
            notify(onNotice, "Resource without a numeric identifier left out: " + utf8(name), 0, typeText);
        for (std::int64_t id : names.numbered) {
            if (id < firstId || (lastId && id > *lastId))
                continue;
            if (onResource && !onResource(module, id, typeText))
                return;
        }
    }

private:
    struct Names {
        std::vector<std::int64_t> numbered;
        std::vector<std::basic_string<WCHAR>> named;
    };

    static BOOL CALLBACK collect(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
        auto& names = *reinterpret_cast<Names*>(context);
        if (IS_INTRESOURCE(name))
            names.numbered.push_back(static_cast<std::int64_t>(reinterpret_cast<ULONG_PTR>(name)));
        else
            names.named.emplace_back(name);
        return TRUE;
    }

    static std::string utf8(std::basic_string_view<WCHAR> text) {
        static_assert(sizeof(WCHAR) == sizeof(char16_t));
        return qor::string::utf16ToUtf8(
            std::u16string_view(reinterpret_cast<char16_t const*>(text.data()), text.size()));
    }

    static Text convert(std::basic_string<WCHAR> const& text) {
        if constexpr (std::is_same_v<Text, std::string>)
            return utf8(text);
        else
            return Text(text);
    }

    static void notify(NoticeCallback const& onNotice, std::string const& message, std::int64_t code,
                       Text const& type) {
        if (!onNotice)
            return;
        std::u16string const wide = qor::string::utf8ToUtf16(message);
        std::basic_string<WCHAR> const text(wide.begin(), wide.end());
        onNotice(text, code, type);
    }
};

} // namespace qor::platform::windows
