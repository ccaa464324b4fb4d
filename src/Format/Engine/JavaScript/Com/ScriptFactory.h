#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Windows/Com/ScriptInterface.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qor::format::engine::javascript {

// The process's cache of script engines, one per key of the host's choosing,
// so that a script run again keeps its isolate, context and globals. The
// factory never builds an engine itself: the host's creator does.
// Not thread-safe: one thread at a time.
class QOR_JAVASCRIPT_COM_API ScriptFactory {
public:
    using ScriptInterface = platform::windows::com::ScriptInterface;
    using Creator = std::function<std::shared_ptr<ScriptInterface>()>;

    static ScriptFactory& instance();

    // The cached engine of `key`, handed out again with its hostContext reset
    // to 0. A new one from `creator` when there is none, when `fileTime` is
    // given and differs from the cached one's (the engine is replaced), or
    // when the cached engine is still held elsewhere (the new one is lent out
    // uncached and the cache stays as it is). Exceptions of `creator` reach
    // the caller.
    std::shared_ptr<ScriptInterface>
    getEngine(std::string_view key, std::optional<std::filesystem::file_time_type> fileTime, Creator creator);

    // Forgets every cached engine; one still held elsewhere lives on.
    static void reset();

    ScriptFactory(ScriptFactory const&) = delete;
    ScriptFactory& operator=(ScriptFactory const&) = delete;

private:
    struct Entry {
        std::shared_ptr<ScriptInterface> engine;
        std::optional<std::filesystem::file_time_type> fileTime;
    };

    ScriptFactory() = default;
    ~ScriptFactory() = default;

    // Byte-wise ordered keys, found by a string_view without a copy.
    std::map<std::string, Entry, std::less<>> entries;
};

} // namespace qor::format::engine::javascript
