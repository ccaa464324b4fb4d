#include "Platform/Windows/Com/ComClasses.h"

#include "Assert/Assert.h"
#include "Platform/Windows/Com/IScriptStartStop.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <iterator>

namespace qor::platform::windows::com {

bool ComClasses::add(std::string_view name, Guid const& clsid, ComClassEntry::Creator creator,
                     std::uint32_t hostValue) {
    if (entries.find(name) != entries.end())
        return false;
    std::string key(name);
    entries.emplace(key, ComClassEntry(key, clsid, std::move(creator), hostValue));
    return true;
}

ComClassEntry const* ComClasses::getFromIndex(std::uint64_t index) const {
    if (index >= entries.size()) {
        assert::Assert::report("ComClasses::pFromInd: Out of range", "qor::platform::windows::com::ComClasses::getFromIndex",
                               "Platform/Windows/com/ComClasses", __LINE__);
        return nullptr;
    }
    return &std::next(entries.begin(), static_cast<std::ptrdiff_t>(index))->second;
}

std::optional<std::size_t> ComClasses::indexOf(std::string_view name) const {
    auto const found = entries.find(name);
    if (found == entries.end())
        return std::nullopt;
    return static_cast<std::size_t>(std::distance(entries.begin(), found));
}

std::optional<std::string> ComClasses::nameOf(Guid const& clsid) const {
    for (auto const& [name, entry] : entries)
        if (entry.clsid == clsid)
            return name;
    return std::nullopt;
}

IUnknown* createObject(ComClassEntry const& entry, DispatchCreationInterface* creatorInterface) {
    if (!entry.creator)
        return nullptr;
    IUnknown* object = entry.creator(creatorInterface);
    if (object == nullptr)
        return nullptr;
    object->AddRef();
    // A host object that wants to know when scripts start answers for
    // IScriptStartStop. The query's reference is given back at once: the
    // engine holds the object itself and reaches the interface again when it
    // stops, so keeping a second reference would only leak the object. start()
    // is called by name, not by vtable slot, so the call does not depend on
    // how a compiler lays out the virtual destructor before it.
    IID const iid = iidScriptStartStop.to<IID>();
    void* startStop = nullptr;
    if (SUCCEEDED(object->QueryInterface(iid, &startStop)) && startStop != nullptr) {
        static_cast<IScriptStartStop*>(startStop)->start();
        object->Release();
    }
    return object;
}

TypeInfoAndAttribute* findTypeInfoAndAttribute(DispatchCreationInterface* creatorInterface, Guid const& guid) {
    if (creatorInterface == nullptr)
        return nullptr;
    return creatorInterface->getTypeLibrary().find(guid);
}

} // namespace qor::platform::windows::com
