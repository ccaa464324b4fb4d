// A host library for the fault suites: the global object Tool, whose Sleep
// blocks the script's thread for as long as it is told, as a call into COM
// may, and whose Mark counts the calls that reach it after one.

#include "Format/Engine/JavaScript/Com/HostLibrary.h"
#include "Platform/Windows/Com/IDispatchImpl.h"

#include <chrono>
#include <thread>

using namespace qor::platform::windows::com;

namespace {

// ToolHost.idl's identifiers and interface, in its vtable order.
constexpr IID IID_ITool = {0x14192041, 0x89f1, 0x4a28, {0x94, 0x74, 0xcc, 0xa9, 0x2b, 0x09, 0x12, 0xcd}};
constexpr CLSID CLSID_Tool = {0x58543ec6, 0x488e, 0x4f70, {0xae, 0xd5, 0xd3, 0xdb, 0xaf, 0x2a, 0x23, 0xf5}};

struct ITool : public IDispatch {
    STDMETHOD(Sleep)(LONG milliseconds) PURE;
    STDMETHOD(Mark)() PURE;
    STDMETHOD(get_Marks)(LONG* count) PURE;
};

class CTool : public IDispatchImpl<ITool, &IID_ITool> {
public:
    CTool(TypeInfoAndAttribute const* type, UnknownCreationInterface* engine) : IDispatchImpl(type, engine) {}

    HRESULT STDMETHODCALLTYPE Sleep(LONG milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Mark() override {
        ++marks;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Marks(LONG* count) override {
        *count = marks;
        return S_OK;
    }

private:
    LONG marks = 0;
};

} // namespace

QOR_HOST_LIBRARY_ENTRY HRESULT QorRegisterHost(ComClasses& classes, TypeLibrary& typeLibrary,
                                               std::filesystem::path const& libraryPath) {
    static TypeLibrary ownTypes;
    std::filesystem::path const types = libraryPath.parent_path() / "ToolHost.tlb";
    ownTypes.addPath(types);
    TypeInfoAndAttribute const* type = ownTypes.find(IID_ITool);
    if (type == nullptr)
        return TYPE_E_CANTLOADLIBRARY;
    auto const create = [type](DispatchCreationInterface* engine) -> IUnknown* {
        return static_cast<ITool*>(new CTool(type, engine));
    };
    if (!classes.add("Tool", CLSID_Tool, create, ComClassEntry::globalObject))
        return TYPE_E_NAMECONFLICT;
    typeLibrary.addPath(types);
    return S_OK;
}
