/* wine/test.h includes <io.h>, a header of Windows' C runtime that glibc
 * has not, for what only its own main() uses; the harness has its own
 * main() (Selection.c), so nothing of it is needed. */
