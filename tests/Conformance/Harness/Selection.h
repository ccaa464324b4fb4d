#pragma once

/* What the copy of a test file that make-selectable writes calls: its
 * START_TEST body runs the set-up and, of its test calls (units), only the
 * one this process was asked for.
 *
 *   PROGRAM UNIT    the set-up, then unit UNIT (a number); the process ends
 *                   right after that unit
 *   PROGRAM setup   the set-up alone, and every unit left out */

#include <setjmp.h>

/* Whether the test call numbered `unit` is the one to run; if so its checks
 * count as the unit's from here on. */
int conformance_begin(int unit);
/* Ends the process after the unit, with its counts written. */
void conformance_end(void) __attribute__((noreturn));

/* Around each top-level set-up statement: an absent function it calls
 * returns to conformance_setup_point, ending that statement alone, so that
 * a set-up step that needs a missing function does not keep every unit of
 * the file from running. */
extern jmp_buf conformance_setup_point;
void conformance_setup_begin(void);
void conformance_setup_end(void);

int conformance_main(int argc, char** argv, void (*start)(void));
