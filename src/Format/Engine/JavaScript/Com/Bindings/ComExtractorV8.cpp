#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComCallback.h"
#include "Format/Engine/JavaScript/Com/Bindings/EnumeratorIterator.h"
#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Helper.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <unordered_set>

namespace qor::format::engine::javascript {
namespace {

bool isConstructorName(std::string_view name) {
    return name == "New" || name == "New2";
}

// The names of a class's members while they are collected, each with the
// method and the property of that name: one table of open addressing. A
// large class has thousands of members, a library thousands of classes: the
// table is made once for a conversion, and emptied for each class by moving
// on to a new generation of entries.
class MemberNames {
public:
    static constexpr std::uint32_t none = UINT32_MAX;
    struct Entry {
        std::string_view name;
        std::uint32_t function = none;
        std::uint32_t property = none;
    };

    // Empty, for at most `most` names.
    void clear(std::size_t most) {
        std::size_t const wanted = std::bit_ceil(std::max<std::size_t>(most * 2, 16));
        if (wanted > slots_.size()) {
            slots_.assign(wanted, Slot{});
            generation_ = 0;
        }
        ++generation_;
    }

    // The entry of `name`, added when it has none.
    Entry& operator[](std::string_view name) {
        std::size_t const mask = slots_.size() - 1;
        for (std::size_t index = std::hash<std::string_view>{}(name) & mask;; index = (index + 1) & mask) {
            Slot& slot = slots_[index];
            if (slot.generation != generation_) {
                slot.generation = generation_;
                slot.entry = Entry{name};
                return slot.entry;
            }
            if (slot.entry.name == name)
                return slot.entry;
        }
    }

private:
    struct Slot {
        std::uint32_t generation = 0;
        Entry entry;
    };
    std::vector<Slot> slots_;
    std::uint32_t generation_ = 0;
};

// The members of a class while they are collected; the class takes them at
// their size once complete. Kept from class to class of one conversion.
// Records refer to the class's source.
struct Members {
    V8ClassSource const* source = nullptr;
    std::vector<V8Constructor> constructors;
    std::vector<V8Function> functions;
    std::vector<V8Property> properties;
    MemberNames names;

    // Empty, for the class of `source`.
    void clear(V8ClassSource const& classSource) {
        source = &classSource;
        constructors.clear();
        functions.clear();
        properties.clear();
        names.clear(classSource.members.size());
    }
    bool hasFunction(std::string_view name) { return names[name].function != MemberNames::none; }
    V8Property* findProperty(std::string_view name) {
        std::uint32_t const index = names[name].property;
        return index == MemberNames::none ? nullptr : &properties[index];
    }
    void addFunction(V8Function function) {
        MemberNames::Entry& entry = names[function.name()];
        if (entry.function == MemberNames::none)
            entry.function = static_cast<std::uint32_t>(functions.size());
        functions.push_back(std::move(function));
    }
    V8Property& addProperty(V8Property property) {
        names[property.name()].property = static_cast<std::uint32_t>(properties.size());
        properties.push_back(std::move(property));
        return properties.back();
    }
};

// The records collected for one class, at their size.
template <class T>
SharedList<T> taken(std::vector<T>& collected, std::pmr::memory_resource* tables) {
    return SharedList<T>(std::make_move_iterator(collected.begin()), collected.size(), tables);
}

// `interfaceId`: the interface the member is called through (ComMembers::Part).
V8Function makeFunction(Members const& members, ComFunction const& function, Guid const& interfaceId) {
    return V8Function{&function, members.source, function.invokeKind, interfaceId};
}

void addMethod(Members& members, ComFunction const& function, Guid const& interfaceId) {
    if (isConstructorName(function.name))
        members.constructors.push_back(V8Constructor{function.parameters, function.memberId});
    members.addFunction(makeFunction(members, function, interfaceId));
}

// A get that takes arguments is called like a method.
void addPropertyGet(Members& members, ComFunction const& function, Guid const& interfaceId) {
    V8Property* property = members.findProperty(function.name);
    if (property == nullptr) {
        if (!function.parameters.empty()) {
            V8Function method = makeFunction(members, function, interfaceId);
            method.invokeKind = INVOKE_PROPERTYGET;
            members.addFunction(std::move(method));
            return;
        }
        V8Property added;
        added.member = &function;
        added.source = members.source;
        added.getter = &function;
        added.interfaceId = interfaceId;
        members.addProperty(added);
        return;
    }
    if (!property->hasGetter() && function.parameters.empty())
        property->getter = &function;
}

void addPropertyPut(Members& members, ComFunction const& function, Guid const& interfaceId) {
    // A get with arguments seen earlier has made the name a method.
    if (members.hasFunction(function.name))
        return;
    V8Property* property = members.findProperty(function.name);
    if (property != nullptr && property->hasSetter)
        return;
    if (property == nullptr) {
        V8Property added;
        added.member = &function;
        added.source = members.source;
        added.interfaceId = interfaceId;
        property = &members.addProperty(added);
    }
    property->hasSetter = true;
    if (function.parameters.size() != 1) {
        assert::Assert::report("INVOKE_PROPERTYPUT does not have exact 1 argument.",
                               "qor::format::engine::javascript::convertComToV8",
                               "Format/Engine/JavaScript/Com/ComExtractorV8", __LINE__);
        return;
    }
    property->putParameter = &function.parameters.front();
}

// A collection: a property with DISPID_NEWENUM. Only such a property makes
// a template answer numeric index reads; a method of that DISPID walks too.
bool hasNewEnumProperty(V8Class const& v8Class) {
    return std::ranges::any_of(v8Class.properties,
                               [](V8Property const& property) { return property.dispid() == DISPID_NEWENUM; });
}

enum class GetterChoice { asDeclared, always };
enum class SetterChoice { asDeclared, withPutParameter };

// The records are never changed through the pointers the callbacks get.
v8::Local<v8::External> dataOf(v8::Isolate* isolate, void const* record) {
    return v8::External::New(isolate, StartupSnapshot::noted(const_cast<void*>(record)));
}

// The members of a class on one template. A name is installed once: a
// method wins over a property of the same name, the first of two methods
// over the second; a name in another case finds its member. The member
// functions only accept receivers made from `receiver`, so a detached member
// cannot be applied to another object.
void installMembers(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> target, v8::Local<v8::FunctionTemplate> receiver,
                    V8Class const& v8Class, GetterChoice getters, SetterChoice setters) {
    std::unordered_set<std::string_view> installed;
    v8::Local<v8::Signature> signature = v8::Signature::New(isolate, receiver);
    for (V8Function const& function : v8Class.functions) {
        if (!installed.insert(function.name()).second)
            continue;
        bool const ofDefault = function.interfaceId.isNull();
        target->Set(V8Helper::v8_string(isolate, function.name()),
                    v8::FunctionTemplate::New(
                        isolate, StartupSnapshot::noted(ofDefault ? ComCallback::Function : ComCallback::FunctionOfInterface),
                        dataOf(isolate, &function), signature, 0, v8::ConstructorBehavior::kAllow),
                    v8::PropertyAttribute::None);
    }
    for (V8Property const& property : v8Class.properties) {
        if (!installed.insert(property.name()).second)
            continue;
        bool const getter = getters == GetterChoice::always || property.hasGetter();
        bool const setter = setters == SetterChoice::withPutParameter ? property.hasPutParameter() : property.hasSetter;
        bool const ofDefault = property.interfaceId.isNull();
        target->SetAccessor(
            V8Helper::v8_string(isolate, property.name()),
            getter ? StartupSnapshot::noted(ofDefault ? ComCallback::Getter : ComCallback::GetterOfInterface) : nullptr,
            setter ? StartupSnapshot::noted(ofDefault ? ComCallback::Setter : ComCallback::SetterOfInterface) : nullptr,
            dataOf(isolate, &property), v8::AccessControl::DEFAULT, v8::PropertyAttribute::None);
    }
    // A collection can be walked with for...of.
    if (hasNewEnum(v8Class))
        EnumeratorIterator::addToCollection(isolate, target, receiver);
    // Consulted only for string names found nowhere else. It sits on the
    // wrappers' prototype, not on the wrappers: the optimizing compiler does
    // not inline property access on an object that has an interceptor, and
    // the members above must cost nothing more.
    auto const notFoundOnly = static_cast<v8::PropertyHandlerFlags>(
        static_cast<int>(v8::PropertyHandlerFlags::kNonMasking) |
        static_cast<int>(v8::PropertyHandlerFlags::kOnlyInterceptStrings));
    receiver->PrototypeTemplate()->SetHandler(v8::NamedPropertyHandlerConfiguration(
        StartupSnapshot::noted(ComCallback::GetOtherCase), nullptr, StartupSnapshot::noted(ComCallback::QueryOtherCase),
        nullptr, nullptr, dataOf(isolate, &v8Class), notFoundOnly));
}

// The function template that stands for a class without a constructor: it
// names the class's wrappers and is their members' receiver check.
v8::Local<v8::FunctionTemplate> classTemplate(v8::Isolate* isolate, V8Class const& v8Class) {
    v8::Local<v8::FunctionTemplate> result = v8::FunctionTemplate::New(isolate);
    if (!v8Class.name.empty())
        result->SetClassName(V8Helper::v8_string(isolate, v8Class.name));
    result->InstanceTemplate()->SetInternalFieldCount(1);
    return result;
}

// The values of constants that scripts get: numbers, strings and booleans.
// A date or currency constant has no plain script value.
bool isPlainConstant(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_BSTR:
    case VT_BOOL:
        return true;
    default:
        return false;
    }
}

// The constants of a class as read-only, enumerable properties of its
// constructor; none takes the place of one the constructor has already.
void addConstants(v8::Isolate* isolate, v8::Local<v8::FunctionTemplate> constructor, V8Class const& v8Class) {
    static std::unordered_set<std::string_view> const taken{"prototype", "name", "length", "caller", "arguments", "New"};
    std::unordered_set<std::string_view> added;
    for (ComConstant const& constant : v8Class.constants) {
        if (!isPlainConstant(constant.value.vt) || taken.contains(constant.name) || !added.insert(constant.name).second)
            continue;
        v8::Local<v8::Value> value = ComHelper::convertBorrowedVariant(constant.value, isolate);
        if (!value.IsEmpty())
            constructor->Set(V8Helper::v8_string(isolate, constant.name), value,
                             static_cast<v8::PropertyAttribute>(v8::ReadOnly | v8::DontDelete));
    }
}

v8::Local<v8::ObjectTemplate> globalObjectTemplate(v8::Isolate* isolate, V8Class& v8Class) {
    v8::Local<v8::FunctionTemplate> receiver = classTemplate(isolate, v8Class);
    v8::Local<v8::ObjectTemplate> result = receiver->InstanceTemplate();
    installMembers(isolate, result, receiver, v8Class, GetterChoice::always, SetterChoice::withPutParameter);
    return result;
}

} // namespace

bool hasNewEnum(V8Class const& v8Class) {
    return hasNewEnumProperty(v8Class) ||
           std::ranges::any_of(v8Class.functions,
                               [](V8Function const& function) { return function.dispid() == DISPID_NEWENUM; });
}

bool isReservedName(std::string_view name) {
    return name == "Attribute" || name == "Enumerator";
}

bool isDispatchMemberName(ComFunction const& function) {
    // Asked of every member: a few length comparisons, no hashing.
    static constexpr std::array<std::string_view, 15> names{
        "AddRef",        "Release",       "GetTypeInfo",        "GetIDsOfNames",      "Invoke",
        "GetDispID",     "RemoteInvokeEx", "DeleteMemberByName", "DeleteMemberByDispID", "GetMemberProperties",
        "GetMemberName", "GetNextDispID", "GetNameSpaceParent", "GetTypeInfoCount",   "QueryInterface"};
    return std::ranges::find(names, std::string_view(function.name)) != names.end();
}

namespace {

V8Class convertClass(ComClass const& comClass, ComClasses const* registry, Members& members,
                     std::pmr::memory_resource* tables = nullptr) {
    V8Class v8Class;
    v8Class.name = comClass.name;
    v8Class.guid = comClass.guid;
    v8Class.source = std::make_shared<V8ClassSource const>(V8ClassSource{comClass.name, comClass.functions});
    if (registry != nullptr)
        if (auto index = registry->indexOf(comClass.name))
            v8Class.hostClass = registry->getFromIndex(*index);
    members.clear(*v8Class.source);
    // The default interface's members first: where two interfaces of a
    // coclass use one name, scripts reach the default one's, as a late-bound
    // client does.
    for (bool const ofDefaultInterface : {true, false}) {
        for (ComMembers::Part const& run : v8Class.source->members.runs()) {
            if (run.interfaceId.isNull() != ofDefaultInterface)
                continue;
            for (ComFunction const& function : run.members) {
                if (isDispatchMemberName(function))
                    continue;
                switch (function.invokeKind) {
                case INVOKE_FUNC:
                    addMethod(members, function, run.interfaceId);
                    break;
                case INVOKE_PROPERTYGET:
                    addPropertyGet(members, function, run.interfaceId);
                    break;
                case INVOKE_PROPERTYPUT:
                    addPropertyPut(members, function, run.interfaceId);
                    break;
                default:
                    break;
                }
            }
        }
    }
    v8Class.constructors = taken(members.constructors, tables);
    v8Class.functions = taken(members.functions, tables);
    v8Class.properties = taken(members.properties, tables);
    v8Class.constants = comClass.constants;
    return v8Class;
}

} // namespace

V8Class convertComToV8(ComClass const& comClass, ComClasses const* registry) {
    Members members;
    return convertClass(comClass, registry, members);
}

ClassMap convertComToV8(std::vector<ComClass> const& classes, ComClasses const* registry,
                        std::pmr::memory_resource* tables) {
    ClassMap result;
    result.reserve(classes.size());
    Members members;
    for (ComClass const& comClass : classes)
        if (!result.contains(comClass.guid))
            result.emplace(comClass.guid, convertClass(comClass, registry, members, tables));
    return result;
}

PendingGlobalObjects addClassTemplates(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global, ClassMap& classes) {
    PendingGlobalObjects pending;
    for (auto& [guid, v8Class] : classes) {
        if (isReservedName(v8Class.name))
            continue;
        if (isGlobalObjectClass(v8Class)) {
            pending.emplace_back(v8Class.name, globalObjectTemplate(isolate, v8Class));
            continue;
        }
        global->SetLazyDataProperty(V8Helper::v8_string(isolate, v8Class.name), StartupSnapshot::noted(lazyConstructor),
                                    dataOf(isolate, &v8Class), v8::PropertyAttribute::None);
        v8Class.registered = true;
    }
    return pending;
}

v8::Local<v8::FunctionTemplate> constructorTemplateOf(v8::Isolate* isolate, V8Class& v8Class) {
    if (!v8Class.constructorTemplate.IsEmpty())
        return v8Class.constructorTemplate.Get(isolate);
    v8::Local<v8::External> data = dataOf(isolate, &v8Class);
    v8::Local<v8::FunctionTemplate> constructor = v8::FunctionTemplate::New(
        isolate, ComCallback::Constructor, data, v8::Local<v8::Signature>(), 0, v8::ConstructorBehavior::kAllow);
    constructor->SetClassName(V8Helper::v8_string(isolate, v8Class.name));
    v8::Local<v8::ObjectTemplate> instance = constructor->InstanceTemplate();
    instance->SetInternalFieldCount(1);
    constructor->Set(V8Helper::v8_string(isolate, "New"),
                     v8::FunctionTemplate::New(isolate, ComCallback::ConstructorDeprecated, data,
                                               v8::Local<v8::Signature>(), 0, v8::ConstructorBehavior::kAllow),
                     v8::PropertyAttribute::None);
    addConstants(isolate, constructor, v8Class);
    installMembers(isolate, instance, constructor, v8Class, GetterChoice::asDeclared, SetterChoice::asDeclared);
    v8Class.constructorTemplate.Reset(isolate, constructor);
    v8Class.instanceTemplate.Reset(isolate, instance);
    return constructor;
}

void lazyConstructor(v8::Local<v8::Name>, v8::PropertyCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    // The template may have been made from another copy of the class map
    // (the startup snapshot is made from the process's own): this engine's
    // copy holds its templates.
    auto const& record = *static_cast<V8Class const*>(info.Data().As<v8::External>()->Value());
    V8Class* v8Class = IsolateData::engine(isolate).findClass(record.guid);
    if (v8Class == nullptr)
        return;
    v8::Local<v8::Function> constructor;
    if (constructorTemplateOf(isolate, *v8Class)->GetFunction(isolate->GetCurrentContext()).ToLocal(&constructor))
        info.GetReturnValue().Set(constructor);
}

bool isGlobalObjectClass(V8Class const& v8Class) {
    return v8Class.hostClass != nullptr && v8Class.hostClass->isGlobalObject() && !isReservedName(v8Class.name);
}

bool hasConstructor(V8Class const& v8Class) {
    return v8Class.registered && !isGlobalObjectClass(v8Class) && !isReservedName(v8Class.name);
}

v8::Local<v8::ObjectTemplate> buildInstanceTemplate(v8::Isolate* isolate, V8Class& v8Class) {
    v8::Local<v8::FunctionTemplate> receiver = classTemplate(isolate, v8Class);
    v8::Local<v8::ObjectTemplate> result = receiver->InstanceTemplate();
    installMembers(isolate, result, receiver, v8Class, GetterChoice::asDeclared, SetterChoice::asDeclared);
    if (hasNewEnumProperty(v8Class))
        result->SetHandler(v8::IndexedPropertyHandlerConfiguration(ComCallback::GetByIndex, nullptr, nullptr, nullptr,
                                                                   nullptr, dataOf(isolate, &v8Class),
                                                                   v8::PropertyHandlerFlags::kNone));
    v8Class.instanceTemplate.Reset(isolate, result);
    return result;
}

} // namespace qor::format::engine::javascript
