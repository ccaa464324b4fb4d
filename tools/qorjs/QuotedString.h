#pragma once

#include <string>
#include <string_view>

namespace qor::tools::qorjs {

// Script text as Node's util.inspect quotes it: in single quotes, or in
// double quotes or backticks when that spares escaping a quote; control
// characters, backslashes and lone surrogates escaped. UTF-16 in, UTF-8 out.
std::string quotedString(std::u16string_view text);

// The same escapes without the quotes, as property keys in brackets and
// symbol descriptions are shown.
std::string escaped(std::u16string_view text);

// True for a key shown without quotes: letters, digits and underscores, not
// starting with a digit.
bool isPlainKey(std::string_view key);

} // namespace qor::tools::qorjs
