/* Whether the types Wine's tests hand to the runtime mean to the runtime
 * what they mean to the tests, compiled as the tests are (Wine's headers,
 * -fshort-wchar, the System V convention). The sizes are Windows x64's; the
 * runtime's side is read from what its functions write, so that the probe
 * needs none of its headers. check-conformance runs it before any test and
 * stops on a mismatch, which would make every result meaningless. */

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include <windef.h>
#include <winbase.h>
#include <oleauto.h>

_Static_assert(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(DWORD) == 4, "LONG is 32-bit");
_Static_assert(sizeof(WCHAR) == 2 && sizeof(L'x') == 2, "WCHAR and wide literals are 16-bit");
_Static_assert(sizeof(VARIANT) == 24, "VARIANT");
_Static_assert(sizeof(DECIMAL) == 16 && offsetof(DECIMAL, Hi32) == 4 && offsetof(DECIMAL, Lo64) == 8, "DECIMAL");
_Static_assert(sizeof(SAFEARRAY) == 32 && offsetof(SAFEARRAY, pvData) == 16, "SAFEARRAY");
_Static_assert(sizeof(SAFEARRAYBOUND) == 8 && sizeof(CY) == 8 && sizeof(DATE) == 8, "bounds, CY, DATE");

static int failures;

static void expect(int condition, char const* what) {
    if (!condition) {
        printf("abi: FAILED: %s\n", what);
        ++failures;
    }
}

static void probeBstr(void) {
    BSTR text = SysAllocStringLen(L"abc", 3);
    expect(text && ((DWORD const*)text)[-1] == 6 && SysStringLen(text) == 3 && text[3] == 0,
           "a BSTR is 16-bit characters after its byte length");
    SysFreeString(text);
}

/* Five arguments, the fifth on the stack under Microsoft's convention: a
 * convention mismatch garbles it. */
static HRESULT change(VARIANT* to, LONG value, VARTYPE type) {
    VARIANT from;
    VariantInit(&from);
    V_VT(&from) = VT_I4;
    V_I4(&from) = value;
    VariantInit(to);
    return VariantChangeTypeEx(to, &from, MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT),
                               0, type);
}

static void probeVariant(void) {
    VARIANT v;
    expect((char*)&V_I4(&v) - (char*)&v == 8 && (char*)&V_DECIMAL(&v) == (char*)&v, "VARIANT's members");
    memset(&v, 0xab, sizeof v);
    VariantInit(&v);
    expect(V_VT(&v) == VT_EMPTY, "VariantInit writes vt at offset 0");
    expect(change(&v, -5, VT_R8) == S_OK && V_VT(&v) == VT_R8 && V_R8(&v) == -5.0,
           "a VT_R8 value is at offset 8, and five arguments arrive");
    expect(change(&v, -5, VT_CY) == S_OK && V_VT(&v) == VT_CY && V_CY(&v).int64 == -50000,
           "a VT_CY value is a 64-bit count of ten-thousandths at offset 8");
    expect(change(&v, -5, VT_DECIMAL) == S_OK && V_VT(&v) == VT_DECIMAL && V_DECIMAL(&v).sign == DECIMAL_NEG &&
               V_DECIMAL(&v).scale == 0 && V_DECIMAL(&v).Hi32 == 0 && V_DECIMAL(&v).Lo64 == 5,
           "a DECIMAL fills the VARIANT, vt over its reserved word");
}

static void probeSafeArray(void) {
    SAFEARRAYBOUND bounds[2] = {{3, 1}, {4, 2}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    expect(array && array->cDims == 2 && array->cbElements == 4 && array->pvData,
           "SAFEARRAY's cDims, cbElements and pvData");
    if (!array)
        return;
    expect(array->rgsabound[0].cElements == 4 && array->rgsabound[0].lLbound == 2 &&
               array->rgsabound[1].cElements == 3 && array->rgsabound[1].lLbound == 1,
           "rgsabound holds the dimensions last first");
    LONG bound[2] = {0, 0x5a5a5a5a};
    expect(SafeArrayGetUBound(array, 1, &bound[0]) == S_OK && bound[0] == 3 && bound[1] == 0x5a5a5a5a,
           "a LONG written by the runtime is 32-bit");
    SafeArrayDestroy(array);
}

int main(void) {
    probeBstr();
    probeVariant();
    probeSafeArray();
    if (!failures)
        printf("abi: the runtime and Wine's headers agree\n");
    return failures != 0;
}
