#pragma once

// A BSTR as bytes and back: a one-dimensional array of VT_UI1 holds the
// bytes of a string, one element each, as VariantChangeType converts
// VT_ARRAY|VT_UI1 and VT_BSTR.

#include "Platform/Posix/Ole/Automation/SafeArray.h"

// E_INVALIDARG for anything but one dimension of one-byte elements.
WINOLEAUTAPI BstrFromVector(SAFEARRAY* psa, BSTR* pbstr);
// A vector of VT_UI1 from 0, one element for each byte of the string.
WINOLEAUTAPI VectorFromBstr(BSTR bstr, SAFEARRAY** ppsa);
