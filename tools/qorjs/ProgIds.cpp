#include "ProgIds.h"

#include "Platform/Com.h"
#include "Platform/Windows/Com/OleText.h"

#include <algorithm>
#include <optional>
#include <string>

namespace qor::tools::qorjs {
namespace {

namespace com = platform::windows::com;

std::optional<std::string> progIdOf(Guid const& clsid) {
    LPOLESTR text = nullptr;
    if (FAILED(ProgIDFromCLSID(clsid.to<CLSID>(), &text)) || text == nullptr)
        return std::nullopt;
    std::string progId = com::utf8FromOle(com::OleStringView(text));
    CoTaskMemFree(text);
    return progId;
}

bool names(std::string const& progId, Guid const& clsid) {
    CLSID found{};
    return SUCCEEDED(CLSIDFromProgID(com::oleFromUtf8(progId).c_str(), &found)) && Guid(found) == clsid;
}

// "Vendor.Thing.1" without its version; empty when it has none.
std::string withoutVersion(std::string const& progId) {
    auto const dot = progId.rfind('.');
    if (dot == std::string::npos || dot + 1 == progId.size() ||
        !std::all_of(progId.begin() + static_cast<std::ptrdiff_t>(dot) + 1, progId.end(),
                     [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return progId.substr(0, dot);
}

} // namespace

std::vector<ProgIdClass> registeredProgIds(format::engine::javascript::ClassMap const& classes) {
    std::vector<ProgIdClass> result;
    for (auto const& [guid, v8Class] : classes) {
        auto const progId = progIdOf(guid);
        if (!progId)
            continue;
        result.push_back({*progId, guid});
        if (std::string const independent = withoutVersion(*progId); !independent.empty() && names(independent, guid))
            result.push_back({independent, guid});
    }
    std::ranges::sort(result, {}, &ProgIdClass::progId);
    return result;
}

} // namespace qor::tools::qorjs
