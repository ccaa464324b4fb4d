#pragma once

// Everything of the OLE Automation runtime, as windows.h + oleauto.h give it
// on Windows.

#include "Platform/Posix/Ole/Types.h"
#include "Platform/Posix/Ole/HResult.h"
#include "Platform/Posix/Ole/Guid.h"
#include "Platform/Posix/Ole/Memory.h"
#include "Platform/Posix/Ole/Bstr.h"
#include "Platform/Posix/Ole/Variant.h"
#include "Platform/Posix/Ole/SafeArray.h"
#include "Platform/Posix/Ole/Unknown.h"
#include "Platform/Posix/Ole/Dispatch.h"
#include "Platform/Posix/Ole/ServiceProvider.h"
#include "Platform/Posix/Ole/DispatchEx.h"
#include "Platform/Posix/Ole/EnumVariant.h"
#include "Platform/Posix/Ole/ClassFactory.h"
#include "Platform/Posix/Ole/TypeDescription.h"
#include "Platform/Posix/Ole/TypeInfo.h"
#include "Platform/Posix/Ole/TypeLib.h"
#include "Platform/Posix/Ole/TypeComp.h"
#include "Platform/Posix/Ole/ErrorInfo.h"
#include "Platform/Posix/Ole/LoadTypeLib.h"
#include "Platform/Posix/Ole/DispInvoke.h"
#include "Platform/Posix/Ole/ErrorMessages.h"
#include "Platform/Posix/Ole/TextConversion.h"
#include "Platform/Posix/Ole/ComSupport.h"
