/* Force-included before anything else when Wine's headers are compiled
 * natively, for Wine's test files and for the harness alike.
 *
 * Wine's headers declare every Windows function of x86-64 with Microsoft's
 * calling convention (__attribute__((ms_abi)), behind WINAPI, __stdcall and
 * __cdecl). Our runtime is an ELF library of the System V convention, which
 * is what its Windows names mean on this platform; so every such attribute
 * is made to name the System V one. */
#define ms_abi sysv_abi

/* Wine's headers make __ms_va_list Microsoft's va_list unless it is
 * defined before them: the functions that take one are System V here too. */
#include <stdarg.h>
#define __ms_va_list va_list
#define __ms_va_start(list, arg) va_start(list, arg)
#define __ms_va_end(list) va_end(list)
#define __ms_va_copy(dest, src) va_copy(dest, src)

/* Wine's winsock2.h would redefine glibc's struct timeval and fd_set; the
 * tests use no sockets, so its names take Wine's WS_ prefix. */
#define USE_WS_PREFIX

/* Wine's headers declare what a module imports hidden, for Wine's own
 * import thunks; here imports are the runtime's and the harness's exports,
 * bound by the dynamic linker. */
#define DECLSPEC_HIDDEN
