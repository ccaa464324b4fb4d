#include "ImportResolver.h"

#include "Format/Engine/JavaScript/Com/Engine/ScriptFile.h"
#include "String/Utf.h"

#include <string>

namespace qor::tools::qorjs {

using format::engine::javascript::ComV8Engine;

ComV8Engine::ImportResolver makeImportResolver(std::filesystem::path scriptDirectory) {
    return [scriptDirectory = std::move(scriptDirectory)](
               ComV8Engine& engine,
               std::string_view name) -> std::optional<std::pair<std::string, std::filesystem::path>> {
        std::filesystem::path const asWritten = string::utf8ToPath(name);
        std::filesystem::path const path =
            asWritten.is_relative() ? (scriptDirectory / asWritten).lexically_normal() : asWritten;
        auto text = format::engine::javascript::readScriptFile(path);
        if (text)
            return std::pair{std::move(*text), path};
        engine.setErrorMessage(format::engine::javascript::notFoundMessage(name, text.error()), false);
        return std::nullopt;
    };
}

} // namespace qor::tools::qorjs
