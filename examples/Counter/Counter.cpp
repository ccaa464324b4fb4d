// The Counter model: one COM class, which scripts get as the global object
// Counter. Each Add raises the event Counter.OnChange, which a script may
// handle.

#include "Format/Engine/JavaScript/Com/HostLibrary.h"
#include "Platform/Windows/Com/IDispatchImpl.h"
#include "Platform/Windows/Com/V8ComInvokeInterface.h"

using namespace qor::platform::windows::com;

// The interface of Counter.idl in C++, in its vtable order, and the identifiers.
inline constexpr IID IID_ICounter = {0x21a29482, 0x0bc8, 0x4174, {0x88, 0x36, 0x95, 0x71, 0x61, 0xcb, 0xe4, 0x57}};
inline constexpr CLSID CLSID_Counter = {0x813fdde2, 0xe5be, 0x4880, {0xb3, 0xfa, 0xbf, 0x25, 0x22, 0x10, 0xdf, 0x8e}};

struct ICounter : public IDispatch {
    STDMETHOD(get_Count)(LONG* value) PURE;
    STDMETHOD(Add)(LONG amount, LONG* total) PURE;
};

// IDispatchImpl answers IDispatch from the interface's type information, so
// the class writes only the methods of ICounter.
class CCounter : public IDispatchImpl<ICounter, &IID_ICounter> {
public:
    // `engine` is the engine that asked for the object; it may be null.
    CCounter(TypeInfoAndAttribute const* type, UnknownCreationInterface* engine) : IDispatchImpl(type, engine) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* value) override {
        *value = count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(LONG amount, LONG* total) override {
        *total = count += amount;
        raiseOnChange();
        return S_OK;
    }

private:
    // Calls the script's Counter.OnChange(total), if it has one. The engine
    // forgets its objects when it goes, so the creator is asked each time.
    void raiseOnChange() {
        auto* scripts = dynamic_cast<V8ComInvokeInterface*>(getCreator());
        if (scripts == nullptr)
            return;
        _variant_t total(count);
        DISPPARAMS arguments{&total, nullptr, 1, 0};
        _variant_t result;
        scripts->invokeComFunction(&CLSID_Counter, OLESTR("OnChange"), &arguments, &result);
    }

    LONG count = 0;
};

QOR_HOST_LIBRARY_ENTRY HRESULT QorRegisterHost(ComClasses& classes, TypeLibrary& typeLibrary,
                                               std::filesystem::path const& libraryPath) {
    // The objects' own copy of the types, which outlives every engine.
    static TypeLibrary ownTypes;
    std::filesystem::path const types = libraryPath.parent_path() / "Counter.tlb";
    ownTypes.addPath(types);
    TypeInfoAndAttribute const* type = ownTypes.find(IID_ICounter);
    if (type == nullptr)
        return TYPE_E_CANTLOADLIBRARY;
    auto const create = [type](DispatchCreationInterface* engine) -> IUnknown* {
        return static_cast<ICounter*>(new CCounter(type, engine));
    };
    if (!classes.add("Counter", CLSID_Counter, create, ComClassEntry::globalObject))
        return TYPE_E_NAMECONFLICT;
    typeLibrary.addPath(types);
    return S_OK;
}
