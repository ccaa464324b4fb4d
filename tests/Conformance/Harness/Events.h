#pragma once

/* The lines a test process writes on its standard output for
 * check-conformance: one event a line, its fields separated by tabs.
 *
 *   begin            UNIT                the selected unit starts
 *   failed           FILE:LINE MESSAGE   a check failed, or passed inside a todo block
 *   skipped          FILE:LINE MESSAGE   a skip(); win_skipped for a win_skip()
 *   trace            FILE:LINE MESSAGE
 *   lookup-absent    NAME                GetProcAddress found no NAME in the runtime
 *   absent           NAME                the unit called NAME, which the runtime lacks; the
 *                                        process ends with CONFORMANCE_ABSENT_STATUS
 *   absent-in-setup  NAME                a set-up statement called it and was ended there
 *   unreached                            the selected unit's call was never reached
 *
 * A message's own newlines and tabs are written as \n and \t. How many
 * checks passed is not a line each but a counter (Counts.h). */

#define CONFORMANCE_ABSENT_STATUS 86

/* `location` may be null. */
void conformance_event(const char* tag, const char* location, const char* message);
