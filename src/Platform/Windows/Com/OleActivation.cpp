#include "Platform/Windows/Com/OleActivation.h"

#include <cstdlib>

namespace qor::platform::windows::com {
namespace {

struct OleInitialization {
    OleInitialization() {
        OleInitialize(nullptr);
        std::atexit([] { OleUninitialize(); });
    }
};

// CLSIDFromProgID reads up to the first U+0000; a ProgID holding one names
// no class, rather than the class of its first part.
Guid clsidOf(OleString const& progId) {
    if (progId.find(OLECHAR(0)) != OleString::npos)
        return Guid{};
    ensureOleInitialized();
    CLSID clsid = Guid{}.to<CLSID>();
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid)))
        return Guid{};
    return Guid(clsid);
}

} // namespace

void ensureOleInitialized() {
    static OleInitialization const initialization;
}

Guid clsidFromProgId(std::string_view progId) {
    return clsidOf(oleFromUtf8(progId));
}

Guid clsidFromProgId(OleStringView progId) {
    // CLSIDFromProgID wants the text terminated, which a view need not be.
    return clsidOf(OleString(progId));
}

IUnknown* createInstance(CLSID const& clsid, IID const& iid) {
    return createInstanceOrError(clsid, iid).value_or(nullptr);
}

std::expected<IUnknown*, HRESULT> createInstanceOrError(CLSID const& clsid, IID const& iid) {
    ensureOleInitialized();
    void* object = nullptr;
    HRESULT const result = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, iid, &object);
    if (FAILED(result))
        return std::unexpected(result);
    if (object == nullptr)
        return std::unexpected(E_POINTER);
    return static_cast<IUnknown*>(object);
}

} // namespace qor::platform::windows::com
