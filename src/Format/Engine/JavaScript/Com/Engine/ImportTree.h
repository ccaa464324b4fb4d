#pragma once

#include <v8.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor::format::engine::javascript {

// The modules of one import graph while V8 links it: each with the name it was
// imported by (as passed to the resolver) and the module that imported it.
// Every import loads a fresh copy of its module, except one whose name is
// already being loaded on the importer's own import path: that import links
// back to the record there, which closes a cycle as ES modules require. Two
// modules importing a third (a diamond) still get a copy each.
class ImportTree {
public:
    // Linking starts from `root`: the top-level module (no name), or the one
    // an import() loads.
    ImportTree(v8::Isolate* isolate, v8::Local<v8::Module> root, std::optional<std::string> name);

    // The module on the import path of `importer` that was imported as
    // `name`; empty when there is none.
    v8::Local<v8::Module> onPath(v8::Local<v8::Module> importer, std::string_view name) const;
    // Notes `module`, loaded fresh as `name` for `importer`.
    void add(v8::Local<v8::Module> module, v8::Local<v8::Module> importer, std::string name);

private:
    struct Node {
        v8::Global<v8::Module> module;
        std::optional<std::string> name;
        std::optional<std::size_t> importer;
    };
    std::optional<std::size_t> find(v8::Local<v8::Module> module) const;

    v8::Isolate* isolate;
    std::vector<Node> nodes;
};

} // namespace qor::format::engine::javascript
