/* Force-included into Wine's test files only (not into the harness): the
 * calls that the harness answers in place of the name the test writes. */

/* A lookup in the runtime is noted, so that a test function that looks up
 * a function the runtime lacks is reported as needing it. */
#define GetProcAddress conformance_GetProcAddress

/* glibc's wide-character functions take 32-bit characters, a test's
 * strings are of 16 (-fshort-wchar): each such function a test calls has a
 * 16-bit stand-in (check-conformance refuses a file that calls glibc's). */
#define wcscmp conformance_wcscmp
#define swprintf conformance_swprintf

/* Wine builds its tests as its own sources, whose wine/debug.h gives them
 * short names of its formatting functions; the harness defines those the
 * tests use (DebugStrings.c). */
struct _GUID;
const char* debugstr_guid(const struct _GUID* id);
