#pragma once

// BSTR: UTF-16 text preceded by its length in bytes (32-bit) and followed by
// a U+0000 that the length does not count, so embedded U+0000 survive.

#include "Platform/Posix/Ole/Core/Types.h"

WINOLEAUTAPI_(BSTR) SysAllocString(const OLECHAR* psz);
WINOLEAUTAPI_(BSTR) SysAllocStringLen(const OLECHAR* strIn, UINT ui);
WINOLEAUTAPI_(BSTR) SysAllocStringByteLen(LPCSTR psz, UINT len);
WINOLEAUTAPI_(INT) SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
WINOLEAUTAPI_(INT) SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, unsigned int len);
WINOLEAUTAPI_(void) SysFreeString(BSTR bstrString);
WINOLEAUTAPI_(UINT) SysStringLen(BSTR pbstr);
WINOLEAUTAPI_(UINT) SysStringByteLen(BSTR bstr);

// Turns the BSTR cache off for the rest of the process, as the environment
// variable OANOCACHE does from its start: freed strings go back to the
// allocator at once, where memory checkers see them. Windows exports it
// without declaring it.
WINOLEAUTAPI_(void) SetOaNoCache(void);
