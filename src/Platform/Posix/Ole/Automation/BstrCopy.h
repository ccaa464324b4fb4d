#pragma once

#include <expected>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Core/HResult.h"

namespace qor::platform::posix::ole {

// A BSTR of its own with the same bytes, an odd byte length included, which
// a copy by characters would lose; null stays null.
inline std::expected<BSTR, HRESULT> duplicateBstr(BSTR text) {
    if (text == nullptr)
        return nullptr;
    BSTR copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(text), SysStringByteLen(text));
    if (copy == nullptr)
        return std::unexpected(E_OUTOFMEMORY);
    return copy;
}

} // namespace qor::platform::posix::ole
