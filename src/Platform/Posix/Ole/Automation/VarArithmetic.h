#pragma once

// Arithmetic, logic, comparison and concatenation of VARIANTs, and the
// arithmetic of the DECIMAL and CY types underneath, as oleaut32 has them.
// The VARIANT operations take operands of any type a VARIANT holds, read
// through VT_BYREF, and give the type Windows gives for the pair: a VT_NULL
// operand makes a VT_NULL result, VT_EMPTY counts as 0 or the empty string,
// and an integer result that overflows its type is promoted (VT_UI1 to
// VT_I2 to VT_I4 to VT_R8). The result VARIANT is overwritten, not cleared.

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Types.h"

// Results of VarCmp, VarBstrCmp and the VarXxxCmp functions.
#define VARCMP_LT 0
#define VARCMP_EQ 1
#define VARCMP_GT 2
#define VARCMP_NULL 3

// Flags of VarCmp and VarBstrCmp, as CompareString takes them.
#define NORM_IGNORECASE 0x00000001
#define NORM_IGNORENONSPACE 0x00000002
#define NORM_IGNORESYMBOLS 0x00000004
#define NORM_IGNOREKANATYPE 0x00010000
#define NORM_IGNOREWIDTH 0x00020000

WINOLEAUTAPI VarAdd(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarSub(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarMul(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarDiv(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarIdiv(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarMod(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarPow(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);

WINOLEAUTAPI VarAnd(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarOr(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarXor(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarEqv(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
WINOLEAUTAPI VarImp(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);

WINOLEAUTAPI VarAbs(LPVARIANT pvarIn, LPVARIANT pvarResult);
WINOLEAUTAPI VarFix(LPVARIANT pvarIn, LPVARIANT pvarResult);
WINOLEAUTAPI VarInt(LPVARIANT pvarIn, LPVARIANT pvarResult);
WINOLEAUTAPI VarNeg(LPVARIANT pvarIn, LPVARIANT pvarResult);
WINOLEAUTAPI VarNot(LPVARIANT pvarIn, LPVARIANT pvarResult);
WINOLEAUTAPI VarRound(LPVARIANT pvarIn, int cDecimals, LPVARIANT pvarResult);

WINOLEAUTAPI VarCat(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult);
// VARCMP_LT, VARCMP_EQ, VARCMP_GT, VARCMP_NULL, or a failure.
WINOLEAUTAPI VarCmp(LPVARIANT pvarLeft, LPVARIANT pvarRight, LCID lcid, ULONG dwFlags);
// Windows' headers give C++ callers VarCmp without flags.
inline HRESULT VarCmp(LPVARIANT pvarLeft, LPVARIANT pvarRight, LCID lcid)
{
    return VarCmp(pvarLeft, pvarRight, lcid, 0);
}

// Texts: a null BSTR is the empty string.
WINOLEAUTAPI VarBstrCat(BSTR bstrLeft, BSTR bstrRight, LPBSTR pbstrResult);
WINOLEAUTAPI VarBstrCmp(BSTR bstrLeft, BSTR bstrRight, LCID lcid, ULONG dwFlags);

WINOLEAUTAPI VarDecAdd(LPDECIMAL pdecLeft, LPDECIMAL pdecRight, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecSub(LPDECIMAL pdecLeft, LPDECIMAL pdecRight, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecMul(LPDECIMAL pdecLeft, LPDECIMAL pdecRight, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecDiv(LPDECIMAL pdecLeft, LPDECIMAL pdecRight, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecAbs(LPDECIMAL pdecIn, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecFix(LPDECIMAL pdecIn, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecInt(LPDECIMAL pdecIn, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecNeg(LPDECIMAL pdecIn, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecRound(LPDECIMAL pdecIn, int cDecimals, LPDECIMAL pdecResult);
WINOLEAUTAPI VarDecCmp(LPDECIMAL pdecLeft, LPDECIMAL pdecRight);
WINOLEAUTAPI VarDecCmpR8(LPDECIMAL pdecLeft, double dblRight);

WINOLEAUTAPI VarCyAdd(CY cyLeft, CY cyRight, LPCY pcyResult);
WINOLEAUTAPI VarCySub(CY cyLeft, CY cyRight, LPCY pcyResult);
WINOLEAUTAPI VarCyMul(CY cyLeft, CY cyRight, LPCY pcyResult);
WINOLEAUTAPI VarCyMulI4(CY cyLeft, LONG lRight, LPCY pcyResult);
WINOLEAUTAPI VarCyMulI8(CY cyLeft, LONG64 lRight, LPCY pcyResult);
WINOLEAUTAPI VarCyAbs(CY cyIn, LPCY pcyResult);
WINOLEAUTAPI VarCyFix(CY cyIn, LPCY pcyResult);
WINOLEAUTAPI VarCyInt(CY cyIn, LPCY pcyResult);
WINOLEAUTAPI VarCyNeg(CY cyIn, LPCY pcyResult);
WINOLEAUTAPI VarCyRound(CY cyIn, int cDecimals, LPCY pcyResult);
WINOLEAUTAPI VarCyCmp(CY cyLeft, CY cyRight);
WINOLEAUTAPI VarCyCmpR8(CY cyLeft, double dblRight);

WINOLEAUTAPI VarR8Pow(double dblLeft, double dblRight, double* pdblResult);
WINOLEAUTAPI VarR8Round(double dblIn, int cDecimals, double* pdblResult);
WINOLEAUTAPI VarR4CmpR8(float fltLeft, double dblRight);
