#include "Platform/Posix/Ole/TypeLibText.h"

#include "Platform/Posix/Ole/Bstr.h"

namespace qor::platform::posix::ole {

// Libraries name their members in ASCII in practice; other bytes are read as
// Latin-1, whose code points are the bytes themselves.
std::u16string typeLibTextToOle(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

BSTR typeLibTextToBstr(std::string_view text) {
    std::u16string const ole = typeLibTextToOle(text);
    return SysAllocStringLen(ole.data(), static_cast<UINT>(ole.size()));
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
    for (std::size_t i = 0; i < stored.size(); ++i) {
        auto const c = static_cast<char16_t>(static_cast<unsigned char>(stored[i]));
        if (folded(c) != folded(wanted[i]))
            return false;
    }
    return true;
}

} // namespace qor::platform::posix::ole
