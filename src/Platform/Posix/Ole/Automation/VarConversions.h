#pragma once

// The VarXxxFromYyy functions: one value of an automation type converted to
// another, as VariantChangeTypeEx converts it, with Windows' few differences
// (Conversion.h): VarI2FromR8, VarBstrFromDate, VarDecFromStr, ...
// VarParseNumFromStr.h has the two steps of reading number texts.

#include "Platform/Posix/Ole/Automation/VarConversionTable.h"
#include "Platform/Posix/Ole/Automation/Variant.h"

// Flags of the functions that read or write text.
#define VAR_TIMEVALUEONLY ((DWORD)0x00000001)
#define VAR_DATEVALUEONLY ((DWORD)0x00000002)
#define VAR_VALIDDATE ((DWORD)0x00000004)
#define VAR_CALENDAR_HIJRI ((DWORD)0x00000008)
#define VAR_LOCALBOOL ((DWORD)0x00000010)
#define VAR_FORMAT_NOSUBSTITUTE ((DWORD)0x00000020)
#define VAR_FOURDIGITYEARS ((DWORD)0x00000040)
#define VAR_CALENDAR_THAI ((DWORD)0x00000080)
#define VAR_CALENDAR_GREGORIAN ((DWORD)0x00000100)

namespace qor::platform::posix::ole::family {

// The types by the names the functions give them.
inline constexpr VARTYPE UI1 = VT_UI1;
inline constexpr VARTYPE I1 = VT_I1;
inline constexpr VARTYPE I2 = VT_I2;
inline constexpr VARTYPE UI2 = VT_UI2;
inline constexpr VARTYPE I4 = VT_I4;
inline constexpr VARTYPE UI4 = VT_UI4;
inline constexpr VARTYPE I8 = VT_I8;
inline constexpr VARTYPE UI8 = VT_UI8;
inline constexpr VARTYPE R4 = VT_R4;
inline constexpr VARTYPE R8 = VT_R8;
inline constexpr VARTYPE Date = VT_DATE;
inline constexpr VARTYPE Cy = VT_CY;
inline constexpr VARTYPE Bool = VT_BOOL;
inline constexpr VARTYPE Dec = VT_DECIMAL;

template <VARTYPE vt>
struct Type;
template <>
struct Type<VT_UI1> {
    using Value = BYTE;
};
template <>
struct Type<VT_I1> {
    using Value = CHAR;
};
template <>
struct Type<VT_I2> {
    using Value = SHORT;
};
template <>
struct Type<VT_UI2> {
    using Value = USHORT;
};
template <>
struct Type<VT_I4> {
    using Value = LONG;
};
template <>
struct Type<VT_UI4> {
    using Value = ULONG;
};
template <>
struct Type<VT_I8> {
    using Value = LONGLONG;
};
template <>
struct Type<VT_UI8> {
    using Value = ULONGLONG;
};
template <>
struct Type<VT_R4> {
    using Value = FLOAT;
};
template <>
struct Type<VT_R8> {
    using Value = DOUBLE;
};
template <>
struct Type<VT_DATE> {
    using Value = DATE;
};
template <>
struct Type<VT_CY> {
    using Value = CY;
};
template <>
struct Type<VT_BOOL> {
    using Value = VARIANT_BOOL;
};
template <>
struct Type<VT_DECIMAL> {
    using Value = DECIMAL;
};
template <>
struct Type<VT_BSTR> {
    using Value = BSTR;
};

// What a function takes of a value: the value itself, a DECIMAL by address.
template <VARTYPE vt>
struct Argument {
    using Value = typename Type<vt>::Value;
};
template <>
struct Argument<VT_DECIMAL> {
    using Value = const DECIMAL*;
};
template <VARTYPE vt>
using In = typename Argument<vt>::Value;
template <VARTYPE vt>
using Out = typename Type<vt>::Value;

} // namespace qor::platform::posix::ole::family

#define QOR_VAR_IN(From) qor::platform::posix::ole::family::In<qor::platform::posix::ole::family::From>
#define QOR_VAR_OUT(To) qor::platform::posix::ole::family::Out<qor::platform::posix::ole::family::To>

#define QOR_DECLARE_FROM_VALUE(To, Source) WINOLEAUTAPI Var##To##From##Source(QOR_VAR_IN(Source) in, QOR_VAR_OUT(To)* out);
#define QOR_DECLARE_FROM_TEXT(To)                                                                                      \
    WINOLEAUTAPI Var##To##FromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, QOR_VAR_OUT(To)* out);
#define QOR_DECLARE_FROM_OBJECT(To) WINOLEAUTAPI Var##To##FromDisp(IDispatch* pdispIn, LCID lcid, QOR_VAR_OUT(To)* out);
#define QOR_DECLARE_TO_TEXT(Source)                                                                                    \
    WINOLEAUTAPI VarBstrFrom##Source(QOR_VAR_IN(Source) in, LCID lcid, ULONG dwFlags, BSTR* pbstrOut);
#define QOR_DECLARE_OBJECT_TO_TEXT() WINOLEAUTAPI VarBstrFromDisp(IDispatch* pdispIn, LCID lcid, ULONG dwFlags, BSTR* pbstrOut);

QOR_VAR_CONVERSIONS(QOR_DECLARE_FROM_VALUE, QOR_DECLARE_FROM_TEXT, QOR_DECLARE_FROM_OBJECT, QOR_DECLARE_TO_TEXT,
                    QOR_DECLARE_OBJECT_TO_TEXT)

#undef QOR_DECLARE_FROM_VALUE
#undef QOR_DECLARE_FROM_TEXT
#undef QOR_DECLARE_FROM_OBJECT
#undef QOR_DECLARE_TO_TEXT
#undef QOR_DECLARE_OBJECT_TO_TEXT
