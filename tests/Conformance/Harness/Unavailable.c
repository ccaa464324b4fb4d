/* What the tests call of Windows that has no counterpart here: the
 * registry, activation contexts (side-by-side manifests), the proxy and
 * stub classes of interfaces, which ole32 finds in the registry, and RPC's
 * UUID generator. A test function that calls one ends there and is
 * reported as not run, needing it, as one that calls an absent oleaut32
 * function is (AbsentFunction.c): no result made up here could stand for
 * what Windows would answer. Every test function of Wine's that calls one
 * also needs the runtime's registry functions, which it lacks. */

__attribute__((noreturn)) void conformance_absent(char const* name);

#define UNAVAILABLE(name) \
    __attribute__((visibility("default"))) void name(void); \
    void name(void) { conformance_absent(#name); }

UNAVAILABLE(RegCloseKey)
UNAVAILABLE(RegCreateKeyExW)
UNAVAILABLE(RegDeleteKeyW)
UNAVAILABLE(RegDeleteValueW)
UNAVAILABLE(RegEnumKeyExW)
UNAVAILABLE(RegEnumValueW)
UNAVAILABLE(RegOpenKeyExA)
UNAVAILABLE(RegOpenKeyExW)
UNAVAILABLE(RegQueryInfoKeyW)
UNAVAILABLE(RegQueryValueA)
UNAVAILABLE(RegQueryValueW)
UNAVAILABLE(RegSetValueExW)
UNAVAILABLE(CreateActCtxA)
UNAVAILABLE(CreateActCtxW)
UNAVAILABLE(ActivateActCtx)
UNAVAILABLE(DeactivateActCtx)
UNAVAILABLE(ReleaseActCtx)
UNAVAILABLE(CoGetPSClsid)
UNAVAILABLE(UuidCreate)
