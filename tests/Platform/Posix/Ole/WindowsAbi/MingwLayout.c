/* Compiled to assembly by mingw-w64's C compiler, never run: each fact is an
 * assembler comment line "->NAME VALUE" that the build reads back. C, because
 * only mingw's C declarations spell out the vtables as structures. */

#include <windows.h>
#include <oleauto.h>
#include <dispex.h>
#include <servprov.h>
#include <ocidl.h>
#include <olectl.h>
#include <stddef.h>

#include "AbiFactList.h"

#define FACT(name, value) __asm__ volatile("\n# ->" name " %0" : : "i"((long long)(value)))

#define SIZE(type) FACT("size " #type, sizeof(type));
#define OFFSET(type, member) FACT("offset " #type "." #member, offsetof(type, member));
#define SLOT(type, method) FACT("slot " #type "." #method, offsetof(type##Vtbl, method) / sizeof(void*));
#define VALUE(name) FACT("value " #name, name);

void facts(void);
void facts(void) {
    QOR_ABI_SCALARS(SIZE)
    QOR_ABI_RECORDS(SIZE, OFFSET)
    QOR_ABI_VTABLES(SLOT)
    QOR_ABI_CONSTANTS(VALUE)
#include "MingwErrorCodes.inc"
}
