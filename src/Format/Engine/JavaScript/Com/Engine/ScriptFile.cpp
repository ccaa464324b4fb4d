#include "Format/Engine/JavaScript/Com/Engine/ScriptFile.h"

#include <fstream>

namespace qor::format::engine::javascript {

namespace {

// Read in pieces, so that a stream without end stops at the cap instead of
// taking all memory.
std::expected<std::string, ScriptFileFault> readCapped(std::istream& in) {
    constexpr std::size_t piece = std::size_t{1} << 20;
    std::string text;
    while (in) {
        std::size_t const used = text.size();
        if (used > maxScriptFileSize)
            return std::unexpected(ScriptFileFault::tooLarge);
        text.resize(used + piece);
        in.read(text.data() + used, static_cast<std::streamsize>(piece));
        text.resize(used + static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        return std::unexpected(ScriptFileFault::unreadable);
    if (text.size() > maxScriptFileSize)
        return std::unexpected(ScriptFileFault::tooLarge);
    return text;
}

} // namespace

char const* describe(ScriptFileFault fault) {
    return fault == ScriptFileFault::tooLarge ? "larger than 64 MiB, the most a script file may hold"
                                              : "cannot be read";
}

std::string notFoundMessage(std::string_view name, ScriptFileFault fault) {
    std::string message = "Not able to find module: " + std::string(name);
    if (fault == ScriptFileFault::tooLarge)
        message += std::string(" (") + describe(fault) + ")";
    return message;
}

std::expected<std::string, ScriptFileFault> readScriptFile(std::filesystem::path const& path) {
    // The system reads a name up to its first U+0000, which would be another file.
    if (path.native().find(std::filesystem::path::value_type(0)) != std::filesystem::path::string_type::npos)
        return std::unexpected(ScriptFileFault::unreadable);
    std::error_code ec;
    auto const status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status))
        return std::unexpected(ScriptFileFault::unreadable);
    if (std::filesystem::is_regular_file(status) && std::filesystem::file_size(path, ec) > maxScriptFileSize && !ec)
        return std::unexpected(ScriptFileFault::tooLarge);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::unexpected(ScriptFileFault::unreadable);
    return readScriptStream(in);
}

std::expected<std::string, ScriptFileFault> readScriptStream(std::istream& in) {
    auto text = readCapped(in);
    if (!text)
        return text;
    std::string::size_type out = 0;
    for (std::string::size_type i = 0; i < text->size(); ++i)
        if (!((*text)[i] == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n'))
            (*text)[out++] = (*text)[i];
    text->resize(out);
    return text;
}

} // namespace qor::format::engine::javascript
