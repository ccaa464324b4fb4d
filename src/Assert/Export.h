#pragma once

// The assertion library is shared, so that the process has one switch and
// one sink for the reports of every library that makes them.
#if defined(_WIN32)
#  if defined(QOR_ASSERT_BUILD)
#    define QOR_ASSERT_API __declspec(dllexport)
#  else
#    define QOR_ASSERT_API __declspec(dllimport)
#  endif
#else
#  define QOR_ASSERT_API __attribute__((visibility("default")))
#endif
