#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"

namespace qor::platform::windows::com {

// How COM-side code calls the script function that stands for a member of a
// host class ("Class.Member").
class QOR_JAVASCRIPT_COM_API V8ComInvokeInterface {
public:
    virtual ~V8ComInvokeInterface() = default;
    virtual bool invokeComFunction(GUID const* classGuid, OLECHAR const* memberName, DISPPARAMS* parameters,
                                   VARIANT* result) = 0;
};

} // namespace qor::platform::windows::com
