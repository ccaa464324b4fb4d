#include "Format/Engine/JavaScript/Com/Bindings/InstanceTemplate.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/ComExtractor.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"

namespace qor::format::engine::javascript::ActiveXObject {

void Register_InstanceObject(v8::Isolate* isolate, ClassMap& classes, Guid const& classGuid, IDispatch* object) {
    if (auto comClass = object != nullptr ? extractComClassFromDispatch(*object) : std::nullopt)
        classes.try_emplace(classGuid, convertComToV8(*comClass, nullptr));
    else
        assert::Assert::report("ActiveX class not found",
                               "qor::format::engine::javascript::ActiveXObject::Register_InstanceObject",
                               "Format/Engine/JavaScript/Com/ActiveXObject", __LINE__);
    auto const found = classes.find(classGuid);
    if (found == classes.end())
        return;
    buildInstanceTemplate(isolate, found->second);
    IsolateData::objectRegistry(isolate).activeXClassGuids.insert(classGuid);
}

v8::Local<v8::ObjectTemplate> instanceTemplateOf(v8::Isolate* isolate, Guid const& classGuid, IDispatch* object) {
    ClassMap& classes = IsolateData::classMap(isolate);
    V8Class* found = IsolateData::engine(isolate).findClass(classGuid);
    if (found == nullptr) {
        Register_InstanceObject(isolate, classes, classGuid, object);
        found = IsolateData::engine(isolate).findClass(classGuid);
    }
    if (found == nullptr) {
        found = &classes.try_emplace(classGuid).first->second;
        found->guid = classGuid;
        IsolateData::objectRegistry(isolate).activeXClassGuids.insert(classGuid);
    }
    // A class with a constructor gives its wrappers the constructor's
    // template, made now if no script has used the class yet; a
    // global-object class has a binding but no wrapper template yet.
    V8Class& v8Class = *found;
    if (!v8Class.instanceTemplate.IsEmpty())
        return v8Class.instanceTemplate.Get(isolate);
    if (hasConstructor(v8Class))
        return constructorTemplateOf(isolate, v8Class)->InstanceTemplate();
    return buildInstanceTemplate(isolate, v8Class);
}

} // namespace qor::format::engine::javascript::ActiveXObject
