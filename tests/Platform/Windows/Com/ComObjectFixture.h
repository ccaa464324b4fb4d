#pragma once

// The C++ side of the interfaces of ComObjectFixture.idl, in vtable order,
// and the way to their type information.

#include "Platform/Com.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <filesystem>

namespace qor::test {

inline constexpr IID IID_IGreeter = {0x3c7e1f52, 0x8a40, 0x4d6b, {0xb1, 0xe2, 0x5d, 0x0a, 0x9c, 0x4f, 0x7e, 0x01}};
inline constexpr IID IID_ICounter = {0x3c7e1f52, 0x8a40, 0x4d6b, {0xb1, 0xe2, 0x5d, 0x0a, 0x9c, 0x4f, 0x7e, 0x02}};

struct DECLSPEC_UUID("3c7e1f52-8a40-4d6b-b1e2-5d0a9c4f7e01") DECLSPEC_NOVTABLE IGreeter : public IDispatch {
    STDMETHOD(get_Name)(BSTR* name) PURE;
    STDMETHOD(put_Name)(BSTR name) PURE;
    STDMETHOD(Greet)(BSTR who, BSTR* greeting) PURE;
};

struct DECLSPEC_UUID("3c7e1f52-8a40-4d6b-b1e2-5d0a9c4f7e02") DECLSPEC_NOVTABLE ICounter : public IDispatchEx {
    STDMETHOD(get_Count)(LONG* count) PURE;
    STDMETHOD(Add)(LONG amount, LONG* total) PURE;
    STDMETHOD(New)(LONG start, LONG* count) PURE;
};

#ifdef QOR_COMOBJECT_FIXTURE_DIR
// A type library holding the fixture's interfaces, loaded on first lookup.
inline void addComObjectFixture(platform::windows::com::TypeLibrary& library) {
    library.addPath(std::filesystem::path(QOR_COMOBJECT_FIXTURE_DIR) / "ComObjectFixture.tlb");
}
#endif

} // namespace qor::test

OLE_DECLARE_UUIDOF(qor::test::IGreeter, qor::test::IID_IGreeter);
OLE_DECLARE_UUIDOF(qor::test::ICounter, qor::test::IID_ICounter);
