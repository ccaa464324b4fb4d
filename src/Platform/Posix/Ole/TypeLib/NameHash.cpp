// The name hash of Microsoft's Automation protocol ([MS-OAUT] 2.2.51): each
// byte of the name in the ANSI code page is folded through the locale's
// lookup table into an accumulator, which is reduced to 16 bits and marked
// with the table's encoding. The runtime carries the table of US English
// (code page 1252), which every locale without a table of its own uses;
// for the locales that have one of their own it gives 0, the hash that
// stands for any name.

#include "Platform/Posix/Ole/TypeLib/NameHash.h"

#include "Platform/Posix/Ole/Automation/UserLocale.h"
#include "Platform/Posix/Ole/Core/TextConversion.h"

#include <array>
#include <cstdint>
#include <string>

namespace {

// Case and accents folded: a-z as A-Z, accented letters as their base.
constexpr std::array<std::uint8_t, 256> usEnglish1252{
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,
    16,  17,  18,  19,  20,  21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,
    32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  0,
    48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,
    64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,
    80,  81,  82,  83,  84,  85,  86,  86,  88,  85,  90,  91,  92,  93,  94,  95,
    96,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,
    80,  81,  82,  83,  84,  85,  86,  86,  88,  85,  90,  123, 124, 125, 126, 127,
    127, 127, 130, 70,  132, 133, 134, 135, 127, 137, 83,  139, 140, 127, 127, 127,
    127, 145, 146, 147, 148, 149, 150, 150, 152, 153, 83,  155, 140, 127, 127, 85,
    160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 65,  171, 172, 150, 174, 175,
    176, 177, 50,  51,  180, 181, 182, 183, 184, 49,  79,  187, 188, 189, 190, 191,
    65,  65,  65,  65,  65,  65,  65,  67,  69,  69,  69,  69,  73,  73,  73,  73,
    68,  78,  79,  79,  79,  79,  79,  215, 79,  85,  85,  85,  85,  85,  222, 223,
    65,  65,  65,  65,  65,  65,  65,  67,  69,  69,  69,  69,  73,  73,  73,  73,
    68,  78,  79,  79,  79,  79,  79,  247, 79,  85,  85,  85,  85,  85,  222, 85,
};
constexpr ULONG usEnglish1252Encoding = 0x00100000;

// Languages hashed with tables of their own code pages or as double-byte
// text: Arabic, Czech, Greek, Hebrew, Hungarian, Icelandic, Norwegian,
// Polish, Russian, Slovak, Turkish, Farsi; Chinese, Japanese, Korean.
bool hasTableOfItsOwn(LCID lcid) {
    switch (lcid & 0x3FF) {
    case 0x01: case 0x05: case 0x08: case 0x0D: case 0x0E: case 0x0F: case 0x14: case 0x15: case 0x19: case 0x1B:
    case 0x1F: case 0x29: case 0x04: case 0x11: case 0x12:
        return true;
    default:
        return lcid == 0x1809; // English (Ireland)
    }
}

LCID resolved(LCID lcid) {
    if (lcid == LOCALE_USER_DEFAULT)
        return GetUserDefaultLCID();
    if (lcid == LOCALE_SYSTEM_DEFAULT)
        return GetSystemDefaultLCID();
    return lcid;
}

} // namespace

WINOLEAUTAPI_(ULONG) LHashValOfNameSysA(SYSKIND, LCID lcid, LPCSTR szName) {
    if (szName == nullptr || hasTableOfItsOwn(resolved(lcid)))
        return 0;
    std::uint32_t accumulator = 0x0DEADBEE;
    for (auto const* c = reinterpret_cast<unsigned char const*>(szName); *c != 0; ++c)
        accumulator = accumulator * 37 + usEnglish1252[*c];
    return usEnglish1252Encoding | ((accumulator % 65599) & 0xFFFF);
}

WINOLEAUTAPI_(ULONG) LHashValOfNameSys(SYSKIND syskind, LCID lcid, const OLECHAR* szName) {
    if (szName == nullptr)
        return 0;
    int const size = WideCharToMultiByte(CP_ACP, 0, szName, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return 0;
    std::string name(std::size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, szName, -1, name.data(), size, nullptr, nullptr);
    return LHashValOfNameSysA(syskind, lcid, name.c_str());
}
