#pragma once

#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace qor::tools::qorjs {

// qorjs --typelib FILE [--typelib FILE...] --list-classes [--verbose]
struct ListClassesOptions {
    std::vector<std::string> typeLibraries; // files, or MODULE\N resources
    bool verbose = false;                   // show the library's assertion reports
};

// Empty when the command line is not a class listing; otherwise its options
// or the text of a usage error.
std::optional<std::expected<ListClassesOptions, std::string>>
parseListClasses(std::vector<std::string> const& arguments);

// Prints the classes of the libraries as JSON on stdout; the exit status.
int listClasses(std::expected<ListClassesOptions, std::string> const& options);

} // namespace qor::tools::qorjs
