#include "ListClasses.h"

#include "ClassesJson.h"
#include "Options.h"
#include "ProgIds.h"
#include "TypeDeclarations.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/ComExtractor.h"
#include "Format/Engine/JavaScript/Com/Events/EventInterface.h"
#include "Platform/TableMemory.h"
#include "Platform/Windows/Com/OleText.h"
#include "Platform/Windows/Com/TypeLibrary.h"
#include "Platform/Windows/ErrorCode.h"
#include "String/Utf.h"

#include <cstdio>
#include <iostream>
#include <utility>

namespace qor::tools::qorjs {
namespace {

namespace com = platform::windows::com;
using format::engine::javascript::expectedRecordBytes;
using format::engine::javascript::extractRegisteredComComponents;

struct LoadFailure {
    std::string path;
    HRESULT result;
};

} // namespace

std::optional<std::expected<ListClassesOptions, std::string>>
parseListClasses(std::vector<std::string> const& arguments) {
    bool listing = false;
    ListClassesOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--list-classes") {
            listing = true;
        } else if (arguments[i] == "--typelib") {
            if (++i == arguments.size())
                return std::unexpected("--typelib needs a type library file");
            options.typeLibraries.push_back(arguments[i]);
        }
    }
    if (!listing && options.typeLibraries.empty())
        return std::nullopt;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--typelib")
            ++i;
        else if (arguments[i] == "--dts")
            options.declarations = true;
        else if (arguments[i] == "--com-extensions")
            options.comExtensions = true;
        else if (arguments[i] == "--verbose")
            options.verbose = true;
        else if (arguments[i] != "--list-classes")
            return std::unexpected("--typelib takes only --list-classes, or --dts [--com-extensions], and "
                                   "--verbose, not " + arguments[i]);
    }
    if (listing == options.declarations)
        return std::unexpected(listing ? "--list-classes and --dts cannot be used together"
                                       : "--typelib is used with --list-classes or --dts");
    if (options.comExtensions && !options.declarations)
        return std::unexpected("--list-classes takes only --typelib FILE and --verbose, not --com-extensions");
    if (options.typeLibraries.empty())
        return std::unexpected(std::string(listing ? "--list-classes" : "--dts") +
                               " needs at least one --typelib FILE");
    return options;
}

format::engine::javascript::EngineOptions engineOptions(bool comExtensions) {
    using format::engine::javascript::EngineOptions;
    // qorjs always runs its scripts' timers and tasks, as Node does, and
    // throws failures as Error objects.
    EngineOptions options = comExtensions ? EngineOptions::all() : EngineOptions{};
    options.eventLoop = true;
    options.errorObjects = true;
    return options;
}

int printDeclarations(format::engine::javascript::ComExtract const& extract, com::TypeLibrary& typeLibrary,
                      com::ComClasses const* registry, bool comExtensions) {
    using namespace format::engine::javascript;
    // The engine's own step from class records to bindings.
    ClassMap const classes = convertComToV8(extract.classes, registry);
    EventSources events;
    if (comExtensions)
        for (auto const& [guid, v8Class] : classes)
            if (auto source = EventInterface::ofType(guid, typeLibrary))
                events.emplace(guid, Guid(source->iid));
    std::cout << typeDeclarations(classes, registeredProgIds(classes), events, engineOptions(comExtensions));
    std::cout.flush();
    return std::cout.good() ? 0 : 1;
}

int listClasses(std::expected<ListClassesOptions, std::string> const& options) {
    if (!options) {
        std::fputs(usageError(options.error()).c_str(), stderr);
        return 2;
    }
    assert::Assert::setEnabled(options->verbose);
    // The TypeLibrary passes over what it cannot load; a user asking for a
    // listing wants to hear about it.
    std::vector<LoadFailure> failures;
    com::TypeLibrary typeLibrary([&](OLECHAR const* path, ITypeLib** library) {
        HRESULT const result = LoadTypeLibEx(path, REGKIND_NONE, library);
        if (FAILED(result))
            failures.push_back({com::utf8FromOle(com::OleStringView(path)), result});
        return result;
    });
    // Added in reverse, so the first library named is loaded first and wins
    // over later ones defining the same type.
    for (auto path = options->typeLibraries.rbegin(); path != options->typeLibraries.rend(); ++path)
        typeLibrary.addPath(string::utf8ToPath(*path));
    // The records are made in memory of their own, freed at once after the listing.
    platform::TableMemory tables(expectedRecordBytes(typeLibrary));
    auto const extract = extractRegisteredComComponents(typeLibrary, &tables);
    for (auto const& failure : failures)
        std::fprintf(stderr, "qorjs: cannot load type library %s: %s\n", failure.path.c_str(),
                     platform::windows::ErrorCode::sMessage(static_cast<std::uint32_t>(failure.result)).c_str());
    if (!failures.empty())
        return 1;
    if (options->declarations)
        return printDeclarations(extract, typeLibrary, nullptr, options->comExtensions);
    writeClassesJson(std::cout, extract);
    std::cout.flush();
    return std::cout.good() ? 0 : 1;
}

} // namespace qor::tools::qorjs
