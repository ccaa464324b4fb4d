#pragma once

// Marks what the sample library exports: its entry point and the counter of
// live objects its tests read. Everything else has hidden visibility.
#if defined(_WIN32)
#    if defined(QOR_SPREADSHEET_BUILD)
#        define QOR_SPREADSHEET_API __declspec(dllexport)
#    else
#        define QOR_SPREADSHEET_API __declspec(dllimport)
#    endif
#else
#    define QOR_SPREADSHEET_API __attribute__((visibility("default")))
#endif
