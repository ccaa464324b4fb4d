#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/OleText.h"

#include <map>
#include <optional>
#include <unordered_map>

namespace qor::platform::windows::com {

class TypeInfoAndAttribute;

// The run-time part of a member that a COM client added to an object.
struct DynamicValue {
    // Set by a delete, cleared by the next put.
    bool deleted = false;
    _variant_t value;
};

// One member of an object, read from type information (no dynamic part) or
// added at run time.
struct DispatchEntry {
    OleString name;
    DISPID dispid = DISPID_UNKNOWN;
    std::optional<DynamicValue> dynamic;

    bool isDeleted() const { return dynamic.has_value() && dynamic->deleted; }
};

// The member table behind IDispatchEx: names to DISPIDs and back, and the
// values of dynamic members. The static members of an interface sit in a
// parent table that every object of the interface shares; each object owns a
// child table whose DISPIDs continue after the parent's. Lookups are exact
// and case-sensitive, the parent's members first. Entries are only marked
// when deleted, never removed, so a DISPID once given stays valid.
class QOR_JAVASCRIPT_COM_API DynamicDispatchEntries {
public:
    // An empty root table.
    DynamicDispatchEntries();
    // A root table of the functions of the record's interface.
    explicit DynamicDispatchEntries(TypeInfoAndAttribute const& record);
    // The table of one object's dynamic members; `parent` must outlive it. A
    // null parent makes an empty root table.
    explicit DynamicDispatchEntries(DynamicDispatchEntries const* parent);
    // Names are indexed by views into the entries and children point at their
    // parent, so a table stays where it was made.
    DynamicDispatchEntries(DynamicDispatchEntries const&) = delete;
    DynamicDispatchEntries& operator=(DynamicDispatchEntries const&) = delete;

    // The parent of objects without type information: made on first use,
    // never filled.
    static DynamicDispatchEntries const& emptyRoot();

    DynamicDispatchEntries const* getParent() const { return parent; }

    DispatchEntry const* findByName(OleStringView name) const;
    DispatchEntry const* findById(DISPID id) const;

    // A new dynamic member under the next free DISPID. Does not look for the
    // name first: that is the caller's business.
    DispatchEntry& createDynamic(OleStringView name);

    // S_FALSE for a static member, which the type information answers;
    // DISP_E_MEMBERNOTFOUND for a DISPID neither table knows. `out` is
    // cleared first.
    HRESULT getValue(DISPID id, VARIANT* out) const;
    HRESULT putValue(DISPID id, VARIANT const* in);
    // Only this table's own members; clearing a value may raise _com_error.
    HRESULT deleteByName(OleStringView name);
    HRESULT deleteById(DISPID id);

    // Static members first, then dynamic ones, deleted ones included; within
    // a table in the hash table's order.
    std::optional<DISPID> getFirstDispId() const;
    std::optional<DISPID> getNextDispId(DISPID after) const;

private:
    bool addFunction(ITypeInfo& typeInfo, UINT index);
    DispatchEntry* ownEntry(DISPID id);
    DispatchEntry const* ownEntry(DISPID id) const;
    bool parentHas(DISPID id) const;
    std::optional<DISPID> firstOwnDispId() const;
    static HRESULT deleteEntry(DispatchEntry* entry);

    std::unordered_map<DISPID, DispatchEntry> byDispid;
    std::map<OleStringView, DispatchEntry*> byName;
    DISPID nextDispId = 0;
    DynamicDispatchEntries const* parent = nullptr;
};

} // namespace qor::platform::windows::com
