#pragma once

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/TypeLib/TypeDescription.h"

// The hash of a name that type libraries store beside it and that
// ITypeComp::Bind, ITypeLib::FindName and IsName take, the same for names
// that differ only in case. The high word names the lookup table of the
// locale; a hash of 0 stands for any name, and every function taking one
// finds the same with 0 as with the name's own hash.
WINOLEAUTAPI_(ULONG) LHashValOfNameSysA(SYSKIND syskind, LCID lcid, LPCSTR szName);
WINOLEAUTAPI_(ULONG) LHashValOfNameSys(SYSKIND syskind, LCID lcid, const OLECHAR* szName);

#define LHashValOfName(lcid, szName) LHashValOfNameSys(SYS_WIN32, lcid, szName)
#define WHashValOfLHashVal(lhashval) ((USHORT)(0x0000ffff & (lhashval)))
#define IsHashValCompatible(lhashval1, lhashval2) ((BOOL)((0x00ff0000 & (lhashval1)) == (0x00ff0000 & (lhashval2))))
