#include "ImportResolver.h"

#include "Format/Engine/JavaScript/Com/ScriptFile.h"
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
        if (auto text = format::engine::javascript::readScriptFile(path))
            return std::pair{std::move(*text), path};
        engine.setErrorMessage("Not able to find module: " + std::string(name), false);
        return std::nullopt;
    };
}

} // namespace qor::tools::qorjs
