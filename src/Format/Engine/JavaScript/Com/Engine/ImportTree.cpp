#include "Format/Engine/JavaScript/Com/Engine/ImportTree.h"

namespace qor::format::engine::javascript {

ImportTree::ImportTree(v8::Isolate* isolate, v8::Local<v8::Module> root, std::optional<std::string> name)
    : isolate(isolate) {
    nodes.push_back({v8::Global<v8::Module>(isolate, root), std::move(name), std::nullopt});
}

std::optional<std::size_t> ImportTree::find(v8::Local<v8::Module> module) const {
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].module == module)
            return i;
    return std::nullopt;
}

v8::Local<v8::Module> ImportTree::onPath(v8::Local<v8::Module> importer, std::string_view name) const {
    for (auto at = find(importer); at; at = nodes[*at].importer)
        if (nodes[*at].name == name)
            return nodes[*at].module.Get(isolate);
    return {};
}

void ImportTree::add(v8::Local<v8::Module> module, v8::Local<v8::Module> importer, std::string name) {
    nodes.push_back({v8::Global<v8::Module>(isolate, module), std::move(name), find(importer)});
}

} // namespace qor::format::engine::javascript
