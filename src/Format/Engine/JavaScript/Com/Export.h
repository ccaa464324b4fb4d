#pragma once

// Marks the library's exported API; everything else has hidden visibility.
#if defined(_WIN32)
#  if defined(QOR_JAVASCRIPT_COM_BUILD)
#    define QOR_JAVASCRIPT_COM_API __declspec(dllexport)
#  else
#    define QOR_JAVASCRIPT_COM_API __declspec(dllimport)
#  endif
#else
#  define QOR_JAVASCRIPT_COM_API __attribute__((visibility("default")))
#endif
