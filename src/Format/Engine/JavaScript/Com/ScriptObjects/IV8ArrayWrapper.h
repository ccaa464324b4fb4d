#pragma once

#include "Platform/Com.h"

namespace qor::format::engine::javascript {

inline constexpr IID IID_IV8ArrayWrapper = {
    0xefa3f665, 0x5c0f, 0x4ac2, {0x92, 0x28, 0x0a, 0xd5, 0x4c, 0x7b, 0xb5, 0xf7}};

// A script array as COM sees it (QorJavaScriptCom.idl describes it to
// automation clients).
struct DECLSPEC_UUID("efa3f665-5c0f-4ac2-9228-0ad54c7bb5f7") DECLSPEC_NOVTABLE IV8ArrayWrapper : public IDispatchEx {
    // A new IEnumVARIANT over the live array.
    STDMETHOD(NewEnum)(IUnknown** enumerator) PURE;
    // The array's text, as VT_BSTR.
    STDMETHOD(ToString)(VARIANT* value) PURE;
};

} // namespace qor::format::engine::javascript

OLE_DECLARE_UUIDOF(qor::format::engine::javascript::IV8ArrayWrapper,
                   qor::format::engine::javascript::IID_IV8ArrayWrapper);
