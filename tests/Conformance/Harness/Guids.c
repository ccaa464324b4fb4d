/* The interface identifiers the tests name, which on Windows come from the
 * uuid library: every identifier the COM and Automation headers declare. */

#include <windef.h>
#include <winbase.h>

#define INITGUID
#include <initguid.h>
#include <cguid.h>
#include <objbase.h>
#include <oaidl.h>
#include <ocidl.h>

/* Declared by cguid.h, defined by no header. */
const IID GUID_NULL;
