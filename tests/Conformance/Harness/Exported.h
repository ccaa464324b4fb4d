#pragma once

/* The harness is a shared library of hidden symbols but for what it stands
 * in for: the Windows functions the tests call and the runtime lacks, and
 * the functions wine/test.h declares. */
#define EXPORTED __attribute__((visibility("default")))
