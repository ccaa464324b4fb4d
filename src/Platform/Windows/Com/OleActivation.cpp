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

} // namespace

void ensureOleInitialized() {
    static OleInitialization const initialization;
}

Guid clsidFromProgId(std::string_view progId) {
    return clsidFromProgId(oleFromUtf8(progId));
}

Guid clsidFromProgId(OleStringView progId) {
    OleString const text(progId);
    ensureOleInitialized();
    CLSID clsid = Guid{}.to<CLSID>();
    if (FAILED(CLSIDFromProgID(text.c_str(), &clsid)))
        return Guid{};
    return Guid(clsid);
}

IUnknown* createInstance(CLSID const& clsid, IID const& iid) {
    ensureOleInitialized();
    void* object = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, iid, &object)))
        return nullptr;
    return static_cast<IUnknown*>(object);
}

} // namespace qor::platform::windows::com
