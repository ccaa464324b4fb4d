#include "Platform/Windows/Com/DynamicDispatchEntries.h"

#include "Assert/Assert.h"
#include "Platform/Windows/Com/TypeInfoAndAttribute.h"

#include <algorithm>
#include <cstdint>

namespace qor::platform::windows::com {
namespace {

// DISPIDs wrap as the 32-bit integers they are instead of overflowing.
DISPID following(DISPID id) {
    return static_cast<DISPID>(static_cast<std::uint32_t>(id) + 1u);
}

OleString textOf(_bstr_t const& text) {
    OLECHAR const* const characters = text;
    return characters == nullptr ? OleString() : OleString(characters, text.length());
}

} // namespace

DynamicDispatchEntries::DynamicDispatchEntries() = default;

DynamicDispatchEntries::DynamicDispatchEntries(TypeInfoAndAttribute const& record) {
    if (record.typeInfo == nullptr || record.typeAttr == nullptr)
        return;
    for (UINT index = 0; index < record.typeAttr->cFuncs; ++index)
        if (!addFunction(*record.typeInfo, index))
            break;
}

DynamicDispatchEntries::DynamicDispatchEntries(DynamicDispatchEntries const* parent) : parent(parent) {
    if (parent != nullptr)
        nextDispId = following(parent->nextDispId);
}

DynamicDispatchEntries const& DynamicDispatchEntries::emptyRoot() {
    static DynamicDispatchEntries const root;
    return root;
}

// A property's get and put share a DISPID: the first function read names the
// entry. A function that cannot be read ends the table there.
bool DynamicDispatchEntries::addFunction(ITypeInfo& typeInfo, UINT index) {
    FUNCDESC* function = nullptr;
    if (FAILED(typeInfo.GetFuncDesc(index, &function)) || function == nullptr)
        return false;
    MEMBERID const memid = function->memid;
    _bstr_t name;
    HRESULT const named = typeInfo.GetDocumentation(memid, name.GetAddress(), nullptr, nullptr, nullptr);
    typeInfo.ReleaseFuncDesc(function);
    if (FAILED(named))
        return false;
    auto const [entry, inserted] = byDispid.try_emplace(memid, DispatchEntry{textOf(name), memid, std::nullopt});
    if (inserted) {
        byName.emplace(entry->second.name, &entry->second);
        nextDispId = std::max(nextDispId, following(memid));
    }
    return true;
}

DispatchEntry const* DynamicDispatchEntries::findByName(OleStringView name) const {
    if (parent != nullptr)
        if (DispatchEntry const* entry = parent->findByName(name))
            return entry;
    auto const found = byName.find(name);
    return found == byName.end() ? nullptr : found->second;
}

DispatchEntry const* DynamicDispatchEntries::findById(DISPID id) const {
    if (parentHas(id))
        return parent->ownEntry(id);
    return ownEntry(id);
}

DispatchEntry& DynamicDispatchEntries::createDynamic(OleStringView name) {
    DISPID const id = nextDispId;
    auto const [entry, inserted] = byDispid.try_emplace(id, DispatchEntry{OleString(name), id, DynamicValue{}});
    if (!inserted)
        assert::Assert::report("Function with same name registered twice",
                               "qor::platform::windows::com::DynamicDispatchEntries::createDynamic",
                               "Platform/Windows/com/DynamicDispatchEntries", __LINE__);
    nextDispId = id < 0 ? 0 : following(id);
    byName.emplace(entry->second.name, &entry->second);
    return entry->second;
}

HRESULT DynamicDispatchEntries::getValue(DISPID id, VARIANT* out) const {
    if (out == nullptr)
        return E_POINTER;
    VariantClear(out);
    DispatchEntry const* entry = ownEntry(id);
    if (entry == nullptr)
        return parentHas(id) ? S_FALSE : DISP_E_MEMBERNOTFOUND;
    if (!entry->dynamic)
        return S_FALSE;
    return VariantCopy(out, &entry->dynamic->value);
}

HRESULT DynamicDispatchEntries::putValue(DISPID id, VARIANT const* in) {
    if (in == nullptr)
        return E_POINTER;
    DispatchEntry* entry = ownEntry(id);
    if (entry == nullptr)
        return parentHas(id) ? S_FALSE : DISP_E_MEMBERNOTFOUND;
    if (!entry->dynamic)
        return S_FALSE;
    entry->dynamic->deleted = false;
    if (HRESULT const cleared = VariantClear(&entry->dynamic->value); FAILED(cleared))
        return cleared;
    return VariantCopy(&entry->dynamic->value, in);
}

HRESULT DynamicDispatchEntries::deleteByName(OleStringView name) {
    auto const found = byName.find(name);
    return deleteEntry(found == byName.end() ? nullptr : found->second);
}

HRESULT DynamicDispatchEntries::deleteById(DISPID id) {
    return deleteEntry(ownEntry(id));
}

// Deleting what is not there succeeds; a static member cannot be deleted.
HRESULT DynamicDispatchEntries::deleteEntry(DispatchEntry* entry) {
    if (entry == nullptr)
        return S_OK;
    if (!entry->dynamic)
        return S_FALSE;
    entry->dynamic->value.Clear();
    entry->dynamic->deleted = true;
    return S_OK;
}

std::optional<DISPID> DynamicDispatchEntries::getFirstDispId() const {
    if (parent != nullptr && !parent->byDispid.empty())
        return parent->byDispid.begin()->first;
    return firstOwnDispId();
}

std::optional<DISPID> DynamicDispatchEntries::getNextDispId(DISPID after) const {
    if (parent != nullptr) {
        if (auto inParent = parent->byDispid.find(after); inParent != parent->byDispid.end()) {
            if (++inParent != parent->byDispid.end())
                return inParent->first;
            return firstOwnDispId();
        }
    }
    auto own = byDispid.find(after);
    if (own == byDispid.end() || ++own == byDispid.end())
        return std::nullopt;
    return own->first;
}

std::optional<DISPID> DynamicDispatchEntries::firstOwnDispId() const {
    if (byDispid.empty())
        return std::nullopt;
    return byDispid.begin()->first;
}

DispatchEntry* DynamicDispatchEntries::ownEntry(DISPID id) {
    auto const found = byDispid.find(id);
    return found == byDispid.end() ? nullptr : &found->second;
}

DispatchEntry const* DynamicDispatchEntries::ownEntry(DISPID id) const {
    auto const found = byDispid.find(id);
    return found == byDispid.end() ? nullptr : &found->second;
}

bool DynamicDispatchEntries::parentHas(DISPID id) const {
    return parent != nullptr && parent->ownEntry(id) != nullptr;
}

} // namespace qor::platform::windows::com
