#pragma once

#include "Format/Engine/JavaScript/Com/ScriptObjects/IsolateBound.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/ScriptHandle.h"
#include "Platform/Windows/Com/IDispatchExImpl.h"

#include <v8.h>

#include <optional>

namespace qor::format::engine::javascript {

// A script object handed to COM: an automation object whose members are the
// object's properties. GetDispID and GetIDsOfNames find a name as it is
// written, then in any case (ASCII letters), on the object and its
// prototypes; a name asked for with fdexNameEnsure becomes a property.
// InvokeEx gets, puts and calls them: a method call of a function-valued
// property calls it with the object as `this`. A script exception is
// DISP_E_EXCEPTION with its text in the EXCEPINFO.
//
// The object lives while COM holds the wrapper (a strong handle) and until
// the engine goes; from then on every call answers CO_E_OBJNOTCONNECTED.
// Only the engine's thread may call: others get RPC_E_WRONG_THREAD.
class CV8ObjectWrapper : public platform::windows::com::IDispatchExImpl<IDispatchEx, &IID_IDispatchEx>,
                         public IsolateBound {
public:
    // Count 0: whoever makes it takes the first reference. Its creator is
    // the engine of the isolate.
    CV8ObjectWrapper(v8::Isolate* isolate, v8::Local<v8::Object> object);

    // The script value behind one of this engine's wrappers, or none for any
    // other object.
    static std::optional<v8::Local<v8::Object>> scriptValueOf(v8::Isolate* isolate, IDispatch* dispatch);

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD grfdex, DISPID* dispid) override;
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* excepInfo, IServiceProvider* serviceProvider) override;
    HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR name, DWORD grfdex) override;
    HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID dispid) override;
    HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD grfdex, DISPID dispid, DISPID* next) override;

    void detachFromIsolate() override;

protected:
    // S_OK when COM may call now; otherwise why not.
    HRESULT callable() const;

    ScriptHandle<v8::Object> object;

private:
    // The property `name` means: as written, else with `caseInsensitive` in
    // any case; none when the object has no such property.
    std::optional<platform::windows::com::OleString> propertyName(v8::Local<v8::Context> context,
                                                                  v8::Local<v8::Object> target,
                                                                  platform::windows::com::OleStringView name,
                                                                  bool caseInsensitive);
    DISPID dispidOf(platform::windows::com::OleStringView name);
    HRESULT deleteProperty(platform::windows::com::OleStringView name, bool caseInsensitive);
    HRESULT invokeMember(v8::Local<v8::Context> context, v8::Local<v8::Object> target, v8::Local<v8::String> key,
                         WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo);
};

} // namespace qor::format::engine::javascript
