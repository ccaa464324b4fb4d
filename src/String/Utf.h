#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace qor::string {

// UTF-8 <-> UTF-16. Valid text round-trips unchanged, U+0000 included.
// Malformed input (a bad or truncated UTF-8 sequence, an overlong form, an
// encoded surrogate, an unpaired UTF-16 surrogate) never stops a conversion:
// each maximal bad subsequence becomes U+FFFD, as the Unicode standard
// recommends and as V8 and Windows do.
QOR_JAVASCRIPT_COM_API std::u16string utf8ToUtf16(std::string_view text);
QOR_JAVASCRIPT_COM_API std::string utf16ToUtf8(std::u16string_view text);

QOR_JAVASCRIPT_COM_API bool isValidUtf8(std::string_view text);

// Script names, resource names and the paths of an import resolver are UTF-8
// text, whatever encoding the platform gives its paths.
QOR_JAVASCRIPT_COM_API std::string pathToUtf8(std::filesystem::path const& path);
QOR_JAVASCRIPT_COM_API std::filesystem::path utf8ToPath(std::string_view text);

} // namespace qor::string
