#include "Format/Engine/JavaScript/Com/ScriptFile.h"

#include <fstream>
#include <iterator>

namespace qor::format::engine::javascript {

std::optional<std::string> readScriptFile(std::filesystem::path const& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    std::string::size_type out = 0;
    for (std::string::size_type i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            text[out++] = text[i];
    text.resize(out);
    return text;
}

} // namespace qor::format::engine::javascript
