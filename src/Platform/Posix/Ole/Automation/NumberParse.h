#pragma once

// A number text in two steps, as oleaut32 reads every one: VarParseNumFromStr
// takes it apart into digits, a power of ten and what it was written with;
// VarNumFromParseNum makes of those the smallest of the types asked for that
// holds the value.

#include "Platform/Posix/Ole/Automation/Variant.h"

typedef struct {
    INT cDig;         // in: room in rgbDig; out: digits written
    ULONG dwInFlags;  // NUMPRS_* the text may use
    ULONG dwOutFlags; // NUMPRS_* it did use, NUMPRS_NEG and NUMPRS_INEXACT
    INT cchUsed;      // characters read
    INT nBaseShift;   // 0 for decimal digits, 3 for octal, 4 for hexadecimal
    INT nPwr10;       // the value is the digits times ten to this power
} NUMPARSE;

#define NUMPRS_LEADING_WHITE 0x0001
#define NUMPRS_TRAILING_WHITE 0x0002
#define NUMPRS_LEADING_PLUS 0x0004
#define NUMPRS_TRAILING_PLUS 0x0008
#define NUMPRS_LEADING_MINUS 0x0010
#define NUMPRS_TRAILING_MINUS 0x0020
#define NUMPRS_HEX_OCT 0x0040
#define NUMPRS_PARENS 0x0080
#define NUMPRS_DECIMAL 0x0100
#define NUMPRS_THOUSANDS 0x0200
#define NUMPRS_CURRENCY 0x0400
#define NUMPRS_EXPONENT 0x0800
#define NUMPRS_USE_ALL 0x1000
#define NUMPRS_STD 0x1FFF
#define NUMPRS_NEG 0x10000
#define NUMPRS_INEXACT 0x20000

#define VTBIT_I1 (1 << VT_I1)
#define VTBIT_UI1 (1 << VT_UI1)
#define VTBIT_I2 (1 << VT_I2)
#define VTBIT_UI2 (1 << VT_UI2)
#define VTBIT_I4 (1 << VT_I4)
#define VTBIT_UI4 (1 << VT_UI4)
#define VTBIT_I8 (1 << VT_I8)
#define VTBIT_UI8 (1 << VT_UI8)
#define VTBIT_R4 (1 << VT_R4)
#define VTBIT_R8 (1 << VT_R8)
#define VTBIT_CY (1 << VT_CY)
#define VTBIT_DECIMAL (1 << VT_DECIMAL)

// The digits go to rgbDig, one value (0 to 15) a byte, at most cDig of them,
// leading and trailing zeros left out. DISP_E_TYPEMISMATCH for a text with
// no number, or with more after it than NUMPRS_USE_ALL allows.
WINOLEAUTAPI VarParseNumFromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, NUMPARSE* pnumprs, BYTE* rgbDig);
// dwVtBits holds a VTBIT_* for each type the caller takes; DISP_E_OVERFLOW
// when none holds the value.
WINOLEAUTAPI VarNumFromParseNum(NUMPARSE* pnumprs, BYTE* rgbDig, ULONG dwVtBits, VARIANT* pvar);
