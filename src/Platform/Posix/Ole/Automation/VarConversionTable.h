#pragma once

// The table of the VarXxxFromYyy functions: Var<target>From<source> for every
// pair below. Plain preprocessor text without types, so that what lists the
// functions (their declarations, their definitions, the check of their shape
// against mingw-w64's) expands the one table.
//
// FROM_VALUE(To, From)  Var<To>From<From>(value, To* out)
// FROM_TEXT(To)         Var<To>FromStr(LPCOLESTR text, LCID, ULONG flags, To* out)
// FROM_OBJECT(To)       Var<To>FromDisp(IDispatch*, LCID, To* out)
// TO_TEXT(From)         VarBstrFrom<From>(value, LCID, ULONG flags, BSTR* out)
// OBJECT_TO_TEXT()      VarBstrFromDisp(IDispatch*, LCID, ULONG flags, BSTR* out)
//
// Every target converts from every other type of the family. VarI8FromI4 and
// VarUI8FromI4, which oleaut32 lacks, are there as mingw-w64 declares them.

/* clang-format off */
#define QOR_VAR_CONVERSIONS(FROM_VALUE, FROM_TEXT, FROM_OBJECT, TO_TEXT, OBJECT_TO_TEXT)                              \
    /* Target     the sources, in the order UI1 I1 I2 UI2 I4 UI4 I8 UI8 R4 R8 Date Cy Bool Dec */                     \
    FROM_VALUE(UI1, I1) FROM_VALUE(UI1, I2) FROM_VALUE(UI1, UI2) FROM_VALUE(UI1, I4) FROM_VALUE(UI1, UI4)              \
    FROM_VALUE(UI1, I8) FROM_VALUE(UI1, UI8) FROM_VALUE(UI1, R4) FROM_VALUE(UI1, R8) FROM_VALUE(UI1, Date)             \
    FROM_VALUE(UI1, Cy) FROM_VALUE(UI1, Bool) FROM_VALUE(UI1, Dec) FROM_TEXT(UI1) FROM_OBJECT(UI1)                     \
    FROM_VALUE(I1, UI1) FROM_VALUE(I1, I2) FROM_VALUE(I1, UI2) FROM_VALUE(I1, I4) FROM_VALUE(I1, UI4)                  \
    FROM_VALUE(I1, I8) FROM_VALUE(I1, UI8) FROM_VALUE(I1, R4) FROM_VALUE(I1, R8) FROM_VALUE(I1, Date)                  \
    FROM_VALUE(I1, Cy) FROM_VALUE(I1, Bool) FROM_VALUE(I1, Dec) FROM_TEXT(I1) FROM_OBJECT(I1)                          \
    FROM_VALUE(I2, UI1) FROM_VALUE(I2, I1) FROM_VALUE(I2, UI2) FROM_VALUE(I2, I4) FROM_VALUE(I2, UI4)                  \
    FROM_VALUE(I2, I8) FROM_VALUE(I2, UI8) FROM_VALUE(I2, R4) FROM_VALUE(I2, R8) FROM_VALUE(I2, Date)                  \
    FROM_VALUE(I2, Cy) FROM_VALUE(I2, Bool) FROM_VALUE(I2, Dec) FROM_TEXT(I2) FROM_OBJECT(I2)                          \
    FROM_VALUE(UI2, UI1) FROM_VALUE(UI2, I1) FROM_VALUE(UI2, I2) FROM_VALUE(UI2, I4) FROM_VALUE(UI2, UI4)              \
    FROM_VALUE(UI2, I8) FROM_VALUE(UI2, UI8) FROM_VALUE(UI2, R4) FROM_VALUE(UI2, R8) FROM_VALUE(UI2, Date)             \
    FROM_VALUE(UI2, Cy) FROM_VALUE(UI2, Bool) FROM_VALUE(UI2, Dec) FROM_TEXT(UI2) FROM_OBJECT(UI2)                     \
    FROM_VALUE(I4, UI1) FROM_VALUE(I4, I1) FROM_VALUE(I4, I2) FROM_VALUE(I4, UI2) FROM_VALUE(I4, UI4)                  \
    FROM_VALUE(I4, I8) FROM_VALUE(I4, UI8) FROM_VALUE(I4, R4) FROM_VALUE(I4, R8) FROM_VALUE(I4, Date)                  \
    FROM_VALUE(I4, Cy) FROM_VALUE(I4, Bool) FROM_VALUE(I4, Dec) FROM_TEXT(I4) FROM_OBJECT(I4)                          \
    FROM_VALUE(UI4, UI1) FROM_VALUE(UI4, I1) FROM_VALUE(UI4, I2) FROM_VALUE(UI4, UI2) FROM_VALUE(UI4, I4)              \
    FROM_VALUE(UI4, I8) FROM_VALUE(UI4, UI8) FROM_VALUE(UI4, R4) FROM_VALUE(UI4, R8) FROM_VALUE(UI4, Date)             \
    FROM_VALUE(UI4, Cy) FROM_VALUE(UI4, Bool) FROM_VALUE(UI4, Dec) FROM_TEXT(UI4) FROM_OBJECT(UI4)                     \
    FROM_VALUE(I8, UI1) FROM_VALUE(I8, I1) FROM_VALUE(I8, I2) FROM_VALUE(I8, UI2) FROM_VALUE(I8, I4)                   \
    FROM_VALUE(I8, UI4) FROM_VALUE(I8, UI8) FROM_VALUE(I8, R4) FROM_VALUE(I8, R8) FROM_VALUE(I8, Date)                 \
    FROM_VALUE(I8, Cy) FROM_VALUE(I8, Bool) FROM_VALUE(I8, Dec) FROM_TEXT(I8) FROM_OBJECT(I8)                          \
    FROM_VALUE(UI8, UI1) FROM_VALUE(UI8, I1) FROM_VALUE(UI8, I2) FROM_VALUE(UI8, UI2) FROM_VALUE(UI8, I4)              \
    FROM_VALUE(UI8, UI4) FROM_VALUE(UI8, I8) FROM_VALUE(UI8, R4) FROM_VALUE(UI8, R8) FROM_VALUE(UI8, Date)             \
    FROM_VALUE(UI8, Cy) FROM_VALUE(UI8, Bool) FROM_VALUE(UI8, Dec) FROM_TEXT(UI8) FROM_OBJECT(UI8)                     \
    FROM_VALUE(R4, UI1) FROM_VALUE(R4, I1) FROM_VALUE(R4, I2) FROM_VALUE(R4, UI2) FROM_VALUE(R4, I4)                   \
    FROM_VALUE(R4, UI4) FROM_VALUE(R4, I8) FROM_VALUE(R4, UI8) FROM_VALUE(R4, R8) FROM_VALUE(R4, Date)                 \
    FROM_VALUE(R4, Cy) FROM_VALUE(R4, Bool) FROM_VALUE(R4, Dec) FROM_TEXT(R4) FROM_OBJECT(R4)                          \
    FROM_VALUE(R8, UI1) FROM_VALUE(R8, I1) FROM_VALUE(R8, I2) FROM_VALUE(R8, UI2) FROM_VALUE(R8, I4)                   \
    FROM_VALUE(R8, UI4) FROM_VALUE(R8, I8) FROM_VALUE(R8, UI8) FROM_VALUE(R8, R4) FROM_VALUE(R8, Date)                 \
    FROM_VALUE(R8, Cy) FROM_VALUE(R8, Bool) FROM_VALUE(R8, Dec) FROM_TEXT(R8) FROM_OBJECT(R8)                          \
    FROM_VALUE(Date, UI1) FROM_VALUE(Date, I1) FROM_VALUE(Date, I2) FROM_VALUE(Date, UI2) FROM_VALUE(Date, I4)         \
    FROM_VALUE(Date, UI4) FROM_VALUE(Date, I8) FROM_VALUE(Date, UI8) FROM_VALUE(Date, R4) FROM_VALUE(Date, R8)         \
    FROM_VALUE(Date, Cy) FROM_VALUE(Date, Bool) FROM_VALUE(Date, Dec) FROM_TEXT(Date) FROM_OBJECT(Date)                \
    FROM_VALUE(Cy, UI1) FROM_VALUE(Cy, I1) FROM_VALUE(Cy, I2) FROM_VALUE(Cy, UI2) FROM_VALUE(Cy, I4)                   \
    FROM_VALUE(Cy, UI4) FROM_VALUE(Cy, I8) FROM_VALUE(Cy, UI8) FROM_VALUE(Cy, R4) FROM_VALUE(Cy, R8)                   \
    FROM_VALUE(Cy, Date) FROM_VALUE(Cy, Bool) FROM_VALUE(Cy, Dec) FROM_TEXT(Cy) FROM_OBJECT(Cy)                        \
    FROM_VALUE(Bool, UI1) FROM_VALUE(Bool, I1) FROM_VALUE(Bool, I2) FROM_VALUE(Bool, UI2) FROM_VALUE(Bool, I4)         \
    FROM_VALUE(Bool, UI4) FROM_VALUE(Bool, I8) FROM_VALUE(Bool, UI8) FROM_VALUE(Bool, R4) FROM_VALUE(Bool, R8)         \
    FROM_VALUE(Bool, Date) FROM_VALUE(Bool, Cy) FROM_VALUE(Bool, Dec) FROM_TEXT(Bool) FROM_OBJECT(Bool)                \
    FROM_VALUE(Dec, UI1) FROM_VALUE(Dec, I1) FROM_VALUE(Dec, I2) FROM_VALUE(Dec, UI2) FROM_VALUE(Dec, I4)              \
    FROM_VALUE(Dec, UI4) FROM_VALUE(Dec, I8) FROM_VALUE(Dec, UI8) FROM_VALUE(Dec, R4) FROM_VALUE(Dec, R8)              \
    FROM_VALUE(Dec, Date) FROM_VALUE(Dec, Cy) FROM_VALUE(Dec, Bool) FROM_TEXT(Dec) FROM_OBJECT(Dec)                    \
    TO_TEXT(UI1) TO_TEXT(I1) TO_TEXT(I2) TO_TEXT(UI2) TO_TEXT(I4) TO_TEXT(UI4) TO_TEXT(I8) TO_TEXT(UI8)                \
    TO_TEXT(R4) TO_TEXT(R8) TO_TEXT(Date) TO_TEXT(Cy) TO_TEXT(Bool) TO_TEXT(Dec) OBJECT_TO_TEXT()
/* clang-format on */
