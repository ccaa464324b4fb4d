// What tools may see of the script values that stand for COM objects: the
// class and members the bindings give them, never what the objects answer.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"

#include "Format/Engine/JavaScript/Com/Bindings/ClassView.h"
#include "Format/Engine/JavaScript/Com/Bindings/Enumerator.h"
#include "Format/Engine/JavaScript/V8Helper.h"

namespace qor::format::engine::javascript {
namespace {

V8Class const* namedIn(ClassMap const& classes, std::string_view name) {
    for (auto const& [guid, v8Class] : classes)
        if (v8Class.name == name)
            return &v8Class;
    return nullptr;
}

} // namespace

V8Class const* ComV8Engine::Impl::findClassNamed(std::string_view name) const {
    if (V8Class const* own = namedIn(classMap, name))
        return own;
    return processClasses != nullptr ? namedIn(*processClasses, name) : nullptr;
}

std::optional<ComObjectView> ComV8Engine::Impl::viewComObject(v8::Local<v8::Value> value) {
    if (isolate == nullptr || value.IsEmpty() || !value->IsObject())
        return std::nullopt;
    v8::Local<v8::Object> object = value.As<v8::Object>();
    ComObjectView view;
    switch (objectRegistry.heldAs(isolate, object)) {
    case ObjectRegistry::Held::none:
        return std::nullopt;
    case ObjectRegistry::Held::enumerator:
        view.kind = ComObjectView::Kind::enumerator;
        view.className = "Enumerator";
        for (EnumeratorClass::Method const& method : EnumeratorClass::methods)
            view.members.push_back({method.name, true, {}});
        return view;
    case ObjectRegistry::Held::globalObject:
        view.className = *objectRegistry.globalObjectClass(isolate, object);
        break;
    case ObjectRegistry::Held::wrapper:
        // The name of the template the wrapper was made from; V8 reads it
        // without running script or calling an accessor.
        view.className = V8Helper::qor_string(object->GetConstructorName(), isolate);
        break;
    }
    if (V8Class const* v8Class = findClassNamed(view.className))
        view.members = memberViewsOf(*v8Class);
    return view;
}

std::optional<ComObjectView> ComV8Engine::Impl::viewComClass(std::string_view className) {
    V8Class const* v8Class = findClassNamed(className);
    if (v8Class == nullptr)
        return std::nullopt;
    return ComObjectView{ComObjectView::Kind::object, v8Class->name, memberViewsOf(*v8Class)};
}

} // namespace qor::format::engine::javascript
