#pragma once

#include "Platform/Posix/Ole/Core/Types.h"

#include <string>
#include <string_view>

namespace qor::platform::posix::ole {

// Names and help texts of a type library are stored in its 8-bit code page;
// COM hands them out as UTF-16. This is the one place they are converted.
std::u16string typeLibTextToOle(std::string_view text);
BSTR typeLibTextToBstr(std::string_view text);

// Names are looked up without regard to case, as on Windows.
bool sameTypeLibName(std::string_view stored, std::u16string_view wanted);

} // namespace qor::platform::posix::ole
