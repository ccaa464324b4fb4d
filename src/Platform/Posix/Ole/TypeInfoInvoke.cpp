#include "Platform/Posix/Ole/CTypeInfo.h"

namespace qor::platform::posix::ole {

STDMETHODIMP CTypeInfo::Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return E_NOTIMPL; }

} // namespace qor::platform::posix::ole
