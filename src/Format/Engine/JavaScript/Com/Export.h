#pragma once

// Marks the exported API of the shared library QorJavaScriptCom, which holds
// every layer under src/ but the POSIX OLE runtime: one copy of each class in
// a process, whoever links it. Everything else has hidden visibility. The
// layers' static twins, which tests link to reach inside, define
// QOR_JAVASCRIPT_COM_STATIC for their users.
#if defined(_WIN32)
#  if defined(QOR_JAVASCRIPT_COM_BUILD)
#    define QOR_JAVASCRIPT_COM_API __declspec(dllexport)
#  elif defined(QOR_JAVASCRIPT_COM_STATIC)
#    define QOR_JAVASCRIPT_COM_API
#  else
#    define QOR_JAVASCRIPT_COM_API __declspec(dllimport)
#  endif
#else
#  define QOR_JAVASCRIPT_COM_API __attribute__((visibility("default")))
#endif
