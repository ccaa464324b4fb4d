#include "Platform/Posix/Ole/Core/ProgIdRegistry.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Posix/Ole/Core/AsciiCase.h"
#include "Platform/Posix/Ole/Core/ComponentRegistryFile.h"
#include "Platform/Posix/Ole/Core/Memory.h"

namespace {

using qor::platform::posix::ole::equalsIgnoringAsciiCase;

constexpr std::size_t maxProgIdLength = 39;

bool isValidProgId(std::u16string_view progId) {
    auto isLetter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (progId.empty() || progId.size() > maxProgIdLength || isDigit(progId.front()))
        return false;
    return std::ranges::all_of(progId, [&](char16_t c) { return isLetter(c) || isDigit(c) || c == u'.' || c == u'_'; });
}

struct ProgIdEntry {
    std::u16string progId;
    CLSID clsid;
};

// In registration order, so the entry registered last for a class is found
// from the back.
class ProgIds {
public:
    void add(std::u16string_view progId, CLSID const& clsid) {
        std::lock_guard lock(mutex_);
        eraseLocked(progId);
        entries_.push_back({std::u16string(progId), clsid});
    }
    bool remove(std::u16string_view progId) {
        std::lock_guard lock(mutex_);
        return eraseLocked(progId);
    }
    std::optional<CLSID> clsidOf(std::u16string_view progId) {
        std::lock_guard lock(mutex_);
        for (auto const& entry : entries_)
            if (equalsIgnoringAsciiCase(entry.progId, progId))
                return entry.clsid;
        return std::nullopt;
    }
    std::optional<std::u16string> progIdOf(CLSID const& clsid) {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
            if (it->clsid == clsid)
                return it->progId;
        return std::nullopt;
    }

private:
    bool eraseLocked(std::u16string_view progId) {
        return std::erase_if(entries_, [&](ProgIdEntry const& entry) { return equalsIgnoringAsciiCase(entry.progId, progId); }) > 0;
    }

    std::mutex mutex_;
    std::vector<ProgIdEntry> entries_;
};

ProgIds& progIds() {
    static ProgIds table;
    return table;
}

} // namespace

namespace qor::platform::posix::ole {

HRESULT registerProgId(std::u16string_view progId, CLSID const& clsid) {
    if (!isValidProgId(progId))
        return E_INVALIDARG;
    progIds().add(progId, clsid);
    return S_OK;
}

HRESULT revokeProgId(std::u16string_view progId) {
    return progIds().remove(progId) ? S_OK : CO_E_CLASSSTRING;
}

} // namespace qor::platform::posix::ole

HRESULT STDAPICALLTYPE CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (!lpszProgID || !lpclsid)
        return E_INVALIDARG;
    auto clsid = progIds().clsidOf(lpszProgID);
    if (!clsid)
        clsid = qor::platform::posix::ole::clsidOfRegisteredProgId(lpszProgID);
    *lpclsid = clsid.value_or(CLSID_NULL);
    return clsid ? S_OK : CO_E_CLASSSTRING;
}

HRESULT STDAPICALLTYPE ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
    if (!lplpszProgID)
        return E_INVALIDARG;
    *lplpszProgID = nullptr;
    auto progId = progIds().progIdOf(clsid);
    if (!progId)
        progId = qor::platform::posix::ole::progIdOfRegisteredClass(clsid);
    if (!progId)
        return REGDB_E_CLASSNOTREG;
    std::size_t const bytes = (progId->size() + 1) * sizeof(OLECHAR);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!copy)
        return E_OUTOFMEMORY;
    std::memcpy(copy, progId->c_str(), bytes);
    *lplpszProgID = copy;
    return S_OK;
}
