// Compiled to assembly by mingw-w64's C++ compiler, never run, like
// MingwLayout.c: what only C++ can read. mingw declares each IID twice: as
// an external object (DEFINE_GUID), whose value lives in libuuid, and as the
// constant behind __uuidof. The constant is what a compiler can see, so it
// is the one read. And the parameters of functions (AbiSignature.h).

#include <windows.h>
#include <oleauto.h>
#include <dispex.h>
#include <servprov.h>
#include <ocidl.h>
#include <olectl.h>

#include "AbiFactList.h"
#include "AbiSignature.h"

#define FACT(name, value) __asm__ volatile("\n# ->" name " %0" : : "i"(static_cast<long long>(value)))

namespace {

// Data4 as one number, its first byte highest.
constexpr unsigned long long packed(GUID const& guid) {
    unsigned long long value = 0;
    for (unsigned char byte : guid.Data4)
        value = value << 8 | byte;
    return value;
}

} // namespace

#define ID(type)                                                                                                       \
    FACT("iid " #type ".Data1", __uuidof(type).Data1);                                                                 \
    FACT("iid " #type ".Data2", __uuidof(type).Data2);                                                                 \
    FACT("iid " #type ".Data3", __uuidof(type).Data3);                                                                 \
    FACT("iid " #type ".Data4", packed(__uuidof(type)));

#define PARAMETER(function, i) FACT("function " #function "." #i, qor_abi::signatureOf(&function)[i]);
#define FUNCTION(function)                                                                                             \
    PARAMETER(function, 0) PARAMETER(function, 1) PARAMETER(function, 2) PARAMETER(function, 3)                        \
    PARAMETER(function, 4) PARAMETER(function, 5) PARAMETER(function, 6) PARAMETER(function, 7)                        \
    PARAMETER(function, 8)

void facts();
void facts() {
    QOR_ABI_INTERFACES(ID)
#define QOR_ABI_FUNCTION FUNCTION
    QOR_ABI_FUNCTIONS(FUNCTION)
}
