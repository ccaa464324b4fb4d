#include "Format/Engine/JavaScript/Com/ScriptFactory.h"

namespace qor::format::engine::javascript {

ScriptFactory& ScriptFactory::instance() {
    static ScriptFactory factory;
    return factory;
}

std::shared_ptr<ScriptFactory::ScriptInterface>
ScriptFactory::getEngine(std::string_view key, std::optional<std::filesystem::file_time_type> fileTime,
                         Creator creator) {
    // Whatever the creator holds is let go before the caller goes on.
    Creator const create = std::move(creator);
    auto found = entries.find(key);
    if (found == entries.end()) {
        auto engine = create();
        entries.emplace(std::string(key), Entry{engine, fileTime});
        return engine;
    }
    if (found->second.engine.use_count() > 1)
        return create();
    // An entry made without a time counts as out of date for any request with one.
    if (fileTime && fileTime != found->second.fileTime) {
        entries.erase(found);
        auto engine = create();
        entries.emplace(std::string(key), Entry{engine, fileTime});
        return engine;
    }
    if (found->second.engine)
        found->second.engine->hostContext = 0;
    return found->second.engine;
}

void ScriptFactory::reset() {
    // Moved out first: an engine's destructor may come back to the factory.
    auto released = std::move(instance().entries);
    instance().entries.clear();
}

} // namespace qor::format::engine::javascript
