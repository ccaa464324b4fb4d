#include "Platform/Posix/Ole/TypeLib/TypeLibText.h"

#include <algorithm>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Core/TextConversion.h"

namespace qor::platform::posix::ole {

// A library's texts are in the ANSI code page of the machine that built it.
std::u16string typeLibTextToOle(std::string_view text) {
    if (text.empty())
        return {};
    int const length = static_cast<int>(text.size());
    std::u16string out(text.size(), u'\0');
    int const written = MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), length);
    out.resize(written > 0 ? std::size_t(written) : 0);
    return out;
}

BSTR typeLibTextToBstr(std::string_view text) {
    // Converted straight into the string: the ANSI code page gives one unit
    // per byte.
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (out == nullptr || text.empty())
        return out;
    int const length = static_cast<int>(text.size());
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, out, length) != length) {
        SysFreeString(out);
        return nullptr;
    }
    return out;
}

namespace {
char16_t folded(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<char16_t>(c - 0x20);
    return c;
}
} // namespace

bool sameTypeLibName(std::string_view stored, std::u16string_view wanted) {
    if (stored.size() != wanted.size())
        return false;
    bool const ascii = std::ranges::all_of(stored, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        for (std::size_t i = 0; i < stored.size(); ++i)
            if (folded(static_cast<char16_t>(stored[i])) != folded(wanted[i]))
                return false;
        return true;
    }
    std::u16string const name = typeLibTextToOle(stored);
    if (name.size() != wanted.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (folded(name[i]) != folded(wanted[i]))
            return false;
    return true;
}

} // namespace qor::platform::posix::ole
