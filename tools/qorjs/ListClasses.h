#pragma once

#include "Format/Engine/JavaScript/Com/EngineOptions.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComExtract.h"
#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace qor::tools::qorjs {

// qorjs --typelib FILE [--typelib FILE...] --list-classes [--verbose], or
// qorjs --typelib FILE [--typelib FILE...] --dts [--com-extensions] [--verbose]
struct ListClassesOptions {
    std::vector<std::string> typeLibraries; // files, or MODULE\N resources
    bool declarations = false;              // TypeScript declarations instead of JSON
    bool comExtensions = false;             // declared with every engine option on
    bool verbose = false;                   // show the library's assertion reports
};

// Empty when the command line is not a class listing; otherwise its options
// or the text of a usage error.
std::optional<std::expected<ListClassesOptions, std::string>>
parseListClasses(std::vector<std::string> const& arguments);

// Prints the classes of the libraries as JSON, or their declarations, on
// stdout; the exit status.
int listClasses(std::expected<ListClassesOptions, std::string> const& options);

// The options of qorjs's engines: failures as Error objects always, every
// other extension with --com-extensions.
format::engine::javascript::EngineOptions engineOptions(bool comExtensions);

// Prints the TypeScript declarations of the globals an engine binds from the
// classes of the type library, with the host's registry if any; the exit
// status.
int printDeclarations(format::engine::javascript::ComExtract const& extract,
                      platform::windows::com::TypeLibrary& typeLibrary,
                      platform::windows::com::ComClasses const* registry, bool comExtensions);

} // namespace qor::tools::qorjs
