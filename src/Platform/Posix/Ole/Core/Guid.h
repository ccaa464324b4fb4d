#pragma once

// GUID with Windows' layout, comparisons, the text form, and __uuidof.

#include <cstring>
#include <type_traits>

#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/Types.h"

typedef struct _GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
} GUID;

typedef GUID IID;
typedef GUID CLSID;
typedef GUID* LPGUID;
typedef IID* LPIID;
typedef CLSID* LPCLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

static_assert(sizeof(GUID) == 16);

// Definitions are inline so that every module sees the same value without a
// separate object file of identifiers (Windows' uuid.lib).
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

DEFINE_GUID(GUID_NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
#define IID_NULL GUID_NULL
#define CLSID_NULL GUID_NULL

inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

inline bool operator==(REFGUID a, REFGUID b)
{
    return IsEqualGUID(a, b);
}

// __uuidof(Interface): each interface names its IID with OLE_DECLARE_UUIDOF,
// which also lets product code declare its own interfaces. Only a type is
// accepted, not an expression.
template <class T>
struct OleUuidOf;

#define OLE_DECLARE_UUIDOF(type, iid)                    \
    template <>                                          \
    struct OleUuidOf<type> {                             \
        static constexpr const IID& value = iid;         \
    }

template <class T>
constexpr const IID& uuidof()
{
    return OleUuidOf<std::remove_cvref_t<T>>::value;
}
#define __uuidof(type) (::uuidof<type>())

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" needs 39 characters with the
// terminator; returns the count written, or 0 when cchMax is too small.
WINOLEAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
// Both take the braced form only; a null string gives the null GUID.
WINOLEAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
WINOLEAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid);
