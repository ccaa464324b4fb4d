#pragma once

// Marks what the sample library exports besides its entry point, on the
// definitions only: callers declare the plain C functions themselves.
// Everything else has hidden visibility.
#if defined(_WIN32)
#  define QOR_SPREADSHEET_EXPORT extern "C" __declspec(dllexport)
#else
#  define QOR_SPREADSHEET_EXPORT extern "C" __attribute__((visibility("default")))
#endif
